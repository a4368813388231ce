// libFuzzer entry point of the import harness.

#include <cstddef>
#include <cstdint>

#include "fuzz/harness_common.h"
#include "fuzz/harness_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return bvhfuzz::fuzzOneInput("import", bvhfuzz::runImportInput, data, size);
}
