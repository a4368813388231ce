#include "export/BvhText.h"

#include <cstring>

#include "bvh/NumberFormat.h"
#include "bvh/Vocabulary.h"

namespace bvhexport {

namespace {

void writeTabs(bvh::OutputFile& out, int count) {
    if (count <= 0) return;
    char* at = out.reserve(static_cast<std::size_t>(count));
    std::memset(at, '\t', static_cast<std::size_t>(count));
    out.commit(at + count);
}

}  // namespace

void writeLine(bvh::OutputFile& out, std::string_view text) {
    out.write(text);
    out.put('\n');
}

void writeBlockStart(bvh::OutputFile& out, int depth, BlockKind kind, std::string_view name) {
    writeTabs(out, depth);
    switch (kind) {
        case BlockKind::root:
            out.write(bvh::kRoot);
            out.put(' ');
            out.write(name);
            break;
        case BlockKind::joint:
            out.write(bvh::kJoint);
            out.put(' ');
            out.write(name);
            break;
        case BlockKind::endSite:
            out.write(bvh::kEnd);
            out.put(' ');
            out.write(bvh::kSite);
            break;
    }
    out.put('\n');
    writeTabs(out, depth);
    out.write(bvh::kOpenBrace);
    out.put('\n');
}

void writeOffset(bvh::OutputFile& out, int depth, double x, double y, double z) {
    writeTabs(out, depth + 1);
    out.write(bvh::kOffset);
    char* at = out.reserve(3 * (bvh::kMaxNumberChars + 1) + 1);
    for (double value : {x, y, z}) {
        *at++ = ' ';
        at = bvh::formatNumber(at, value);
    }
    *at++ = '\n';
    out.commit(at);
}

void writeChannels(bvh::OutputFile& out, int depth, const ChannelKind* kinds, int count) {
    writeTabs(out, depth + 1);
    out.write(bvh::kChannels);
    out.put(' ');
    char* at = out.reserve(bvh::kMaxIntegerChars);
    out.commit(bvh::formatInteger(at, count));
    for (int i = 0; i < count; ++i) {
        out.put(' ');
        out.write(bvh::kChannelNames[kinds[i]]);
    }
    out.put('\n');
}

void writeBlockEnd(bvh::OutputFile& out, int depth) {
    writeTabs(out, depth);
    out.write(bvh::kCloseBrace);
    out.put('\n');
}

void writeMotionHeader(bvh::OutputFile& out, long long frames, double frameTime) {
    out.write(bvh::kFrames);
    out.put(' ');
    char* at = out.reserve(bvh::kMaxIntegerChars + 1);
    at = bvh::formatInteger(at, frames);
    *at++ = '\n';
    out.commit(at);
    out.write(bvh::kFrameTime);
    out.put(' ');
    at = out.reserve(bvh::kMaxNumberChars + 1);
    at = bvh::formatNumber(at, frameTime);
    *at++ = '\n';
    out.commit(at);
}

void writeFrameLine(bvh::OutputFile& out, const double* values, int count) {
    char* at = out.reserve(static_cast<std::size_t>(count) * (bvh::kMaxNumberChars + 1) + 1);
    for (int i = 0; i < count; ++i) {
        at = bvh::formatNumber(at, values[i]);
        *at++ = ' ';
    }
    *at++ = '\n';
    out.commit(at);
}

}  // namespace bvhexport
