// libFuzzer entry point of the export harness.

#include <cstddef>
#include <cstdint>

#include "fuzz/harness_common.h"
#include "fuzz/harness_export.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return bvhfuzz::fuzzOneInput("export", bvhfuzz::runExportInput, data, size);
}
