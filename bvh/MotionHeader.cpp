#include "bvh/MotionHeader.h"

#include <cmath>
#include <cstdlib>

#include "bvh/LineReader.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"

namespace bvh {

MotionHeader readMotionHeader(std::string_view line) {
    MotionHeader header;
    const std::size_t framesPos = line.find(kFrames);
    const std::size_t timePos = line.find(kTimeMarker);
    if (framesPos != std::string_view::npos) {
        header.hasFrames = true;
        std::string_view rest = line.substr(framesPos + kFrames.size());
        if (timePos != std::string_view::npos && timePos > framesPos)
            rest = rest.substr(0, timePos - framesPos - kFrames.size());
        // The count is the first token; "Frame Time:" on the same line starts with "Frame".
        const std::size_t start = rest.find_first_not_of(' ');
        if (start != std::string_view::npos) {
            rest = rest.substr(start);
            header.frames = rest.substr(0, rest.find(' '));
            if (header.frames == "Frame") header.frames = {};
        }
    }
    if (timePos != std::string_view::npos) {
        header.hasFrameTime = true;
        std::string_view rest = line.substr(timePos + kTimeMarker.size());
        if (framesPos != std::string_view::npos && framesPos > timePos)
            rest = rest.substr(0, framesPos - timePos - kTimeMarker.size());
        header.frameTime = lastBlankToken(rest);
    }
    return header;
}

double writtenPrecision(std::string_view text) {
    int decimals = 0;
    long exponent = 0;
    std::size_t p = text.find('.');
    if (p != std::string_view::npos) {
        for (++p; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) ++decimals;
    }
    const std::size_t e = text.find_first_of("eE");
    if (e != std::string_view::npos)
        exponent = std::strtol(std::string(text.substr(e + 1)).c_str(), nullptr, 10);
    return 0.5 * std::pow(10.0, static_cast<double>(exponent - decimals));
}

bool readFrameTimeText(const std::string& path, std::string& text) {
    LineReader lines;
    if (lines.open(path) != LineReader::OpenResult::kOk) return false;
    bool motion = false;
    std::string_view line;
    while (lines.next(line)) {
        if (line == kMotion) motion = true;
        if (!motion) continue;
        const MotionHeader header = readMotionHeader(line);
        if (header.hasFrameTime) {
            text = std::string(header.frameTime);
            return true;
        }
        // The frame lines begin after the header lines: no frame time is coming.
        if (!header.hasFrames && line != kMotion && !isBlankLine(line)) return false;
    }
    return false;
}

}  // namespace bvh
