// bvh_format_floor: the least work an export must do. Formats the frame values of the
// synthetic capture that `bvhgen` makes with the same arguments (6 significant digits, each
// followed by a space, one line per frame) into a buffer and writes it to a file. The output
// is byte for byte the motion section of that capture after its "Frame Time:" line.
//
//   bvh_format_floor --joints N --frames F --out PATH
//
// Prints: values and bytes written.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture_model.h"

int main(int argc, char** argv) {
    long joints = 0, frames = 0;
    const char* outPath = nullptr;
    if (!bvhbench::parseCaptureArgs("bvh_format_floor", argc, argv, joints, frames, outPath)) return 2;

    const bvhbench::Skeleton skeleton = bvhbench::makeSkeleton(int(joints));
    const bvhbench::MotionSynth motion(skeleton);
    std::FILE* out = std::fopen(outPath, "wb");
    if (!out) {
        std::fprintf(stderr, "bvh_format_floor: %s: cannot be opened for writing\n", outPath);
        return 1;
    }
    // One 64 KiB buffer, written when it cannot take another line.
    std::vector<char> buffer(std::size_t(1) << 16);
    const std::size_t lineMax = std::size_t(skeleton.channelCount()) * 16 + 2;
    if (buffer.size() < lineMax) buffer.resize(lineMax);
    std::size_t used = 0;
    long long bytes = 0, count = 0;
    bool ok = true;
    std::vector<double> values;
    for (long frame = 0; frame < frames && ok; ++frame) {
        if (buffer.size() - used < lineMax) {
            ok = std::fwrite(buffer.data(), 1, used, out) == used;
            bytes += (long long)used;
            used = 0;
        }
        motion.frameValues(frame, values);
        char* p = buffer.data() + used;
        for (double v : values) {
            p = bvhbench::formatValue(p, v);
            *p++ = ' ';
        }
        *p++ = '\n';
        used = std::size_t(p - buffer.data());
        count += (long long)values.size();
    }
    if (ok && used) {
        ok = std::fwrite(buffer.data(), 1, used, out) == used;
        bytes += (long long)used;
    }
    if (std::fclose(out) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "bvh_format_floor: %s: could not be written\n", outPath);
        return 1;
    }
    std::printf("values %lld bytes %lld\n", count, bytes);
    return 0;
}
