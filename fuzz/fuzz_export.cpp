// libFuzzer entry point of the export harness.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/harness_common.h"
#include "fuzz/harness_export.h"

// Any one translator call may use 10 s of processor time under the sanitizers; libFuzzer's
// limit (-timeout, also 10 s) covers the whole input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    bvhfuzz::callTimeLimit() = 10;
    return 0;
}

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
