// libFuzzer entry point of the reader harness: the format's reader alone, without the host.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/harness_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = bvhfuzz::runReaderInput(data, size);
    if (!problem.empty()) {
        std::printf("reader check failed: %s\n", problem.c_str());
        std::fflush(stdout);
        std::abort();
    }
    return 0;
}
