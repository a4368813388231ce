// bvhgen: writes a long synthetic capture for the benchmarks.
//
//   bvhgen --joints N --frames F --out PATH
//
// Prints one line: joints, channels, frames, bytes and the checksum of the motion values as
// they read back from the file (the parsing floor prints the same checksum for the file).

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture_model.h"

int main(int argc, char** argv) {
    long joints = 0, frames = 0;
    const char* outPath = nullptr;
    if (!bvhbench::parseCaptureArgs("bvhgen", argc, argv, joints, frames, outPath)) return 2;

    const bvhbench::Skeleton skeleton = bvhbench::makeSkeleton(int(joints));
    const bvhbench::MotionSynth motion(skeleton);

    // Written beside and moved into place, so an interrupted run leaves no short capture.
    const std::string tempPath = std::string(outPath) + ".part";
    std::FILE* out = std::fopen(tempPath.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "bvhgen: %s: cannot be opened for writing\n", tempPath.c_str());
        return 1;
    }
    std::string text = bvhbench::hierarchyText(skeleton, frames);
    long long bytes = 0;
    bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    bytes += (long long)text.size();

    std::vector<double> values;
    std::vector<char> line(std::size_t(skeleton.channelCount()) * 16 + 2);
    double checksum = 0;
    for (long frame = 0; frame < frames && ok; ++frame) {
        motion.frameValues(frame, values);
        char* p = line.data();
        for (double v : values) {
            char* start = p;
            p = bvhbench::formatValue(p, v);
            double readBack = 0;
#if BVHIO_NUMBER_FALLBACK  // no std::from_chars for double (libc++)
            *p = '\0';
            readBack = std::strtod(start, nullptr);
#else
            std::from_chars(start, p, readBack);
#endif
            checksum += readBack;
            *p++ = ' ';
        }
        *p++ = '\n';
        std::size_t size = std::size_t(p - line.data());
        ok = std::fwrite(line.data(), 1, size, out) == size;
        bytes += (long long)size;
    }
    if (std::fclose(out) != 0) ok = false;
    if (!ok || std::rename(tempPath.c_str(), outPath) != 0) {
        std::remove(tempPath.c_str());
        std::fprintf(stderr, "bvhgen: %s: could not be written\n", outPath);
        return 1;
    }
    std::printf("joints %ld channels %d frames %ld bytes %lld checksum %.17g\n", joints,
                skeleton.channelCount(), frames, bytes, checksum);
    return 0;
}
