// libFuzzer entry point of the export harness.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/harness_export.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = bvhfuzz::runExportInput(data, size);
    if (!problem.empty()) {
        // Standard error may be closed (-close_fd_mask=2) to keep the plug-in's warnings out.
        std::printf("export check failed: %s\n", problem.c_str());
        std::fflush(stdout);
        std::abort();
    }
    return 0;
}
