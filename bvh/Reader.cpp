#include "bvh/Reader.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "bvh/MotionHeader.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"

namespace bvh {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// A keyword found outside [skipBegin, skipEnd): the name of a block may contain keyword
// text ("LeftFootEnd", "OFFSETJoint"), which must not act as a keyword of its own.
std::size_t findOutside(std::string_view line, std::string_view word, std::size_t skipBegin,
                        std::size_t skipEnd) {
    std::size_t pos = line.find(word);
    while (pos != npos && pos < skipEnd && pos + word.size() > skipBegin)
        pos = line.find(word, skipEnd > pos ? skipEnd : pos + 1);
    return pos;
}

template <typename T>
T& at(std::vector<T>& list, std::size_t index) {
    if (list.size() <= index) list.resize(index + 1);
    return list[index];
}

std::string quoted(std::string_view text) { return "\"" + clippedForMessage(text) + "\""; }

}  // namespace

std::vector<ReadMessage> Reader::takeMessages() {
    std::vector<ReadMessage> out;
    out.swap(messages_);
    return out;
}

void Reader::warn(std::string text, long long node) {
    messages_.push_back({false, lines_.lineNumber(), std::move(text), node});
}

Reader::Step Reader::fail(std::string text) {
    messages_.push_back({true, lines_.lineNumber(), std::move(text), -1});
    done_ = true;
    return last_ = Step::kError;
}

Reader::Step Reader::next() {
    if (done_) return last_;
    std::string_view line;
    if (!lines_.next(line)) {
        done_ = true;
        return last_ = Step::kEnd;
    }
    bytesRead_ += line.size() + 1;
    if (line == kHierarchy) {
        section_ = Section::kHierarchy;
    } else if (line == kMotion) {
        const bool ended = section_ == Section::kHierarchy;
        section_ = Section::kMotion;
        if (ended) return Step::kHierarchyEnded;
    }
    if (section_ == Section::kHierarchy) return hierarchyLine(line);
    if (section_ == Section::kMotion) return motionLine(line);
    return Step::kLine;
}

Reader::Step Reader::hierarchyLine(std::string_view line) {
    // The block keyword of a header line is the first of ROOT, JOINT and End in the line;
    // the token after it is the block's name.
    std::size_t headerPos = npos;
    std::string_view header;
    for (std::string_view word : {kRoot, kJoint, kEnd}) {
        const std::size_t pos = line.find(word);
        if (pos < headerPos) {
            headerPos = pos;
            header = word;
        }
    }
    std::size_t nameEnd = headerPos;
    if (headerPos != npos) {
        std::size_t p = headerPos + header.size();
        // The keyword must stand as a word of its own to take the next token as the name
        // ("EndSite" at the start of a name token is not an end-site line).
        const bool standsAlone = p == line.size() || line[p] == ' ';
        while (p < line.size() && line[p] == ' ') ++p;
        std::size_t q = p;
        while (q < line.size() && line[q] != ' ') ++q;
        const std::string_view name = standsAlone ? line.substr(p, q - p) : std::string_view();
        if (name.size() > kMaxNameLength)
            return fail("a joint name of " + std::to_string(name.size()) +
                        " characters is too long (at most " + std::to_string(kMaxNameLength) + ")");
        nameEnd = standsAlone ? q : headerPos + header.size();
        while (nameEnd < line.size() && line[nameEnd] != ' ') ++nameEnd;
        if (header == kRoot) {
            // Every ROOT starts a skeleton of its own.
            depth_ = 0;
            at(depthNames_, 0) = std::string(name);
        } else if (header == kJoint) {
            at(depthNames_, depth_) = std::string(name);
        } else {
            // "End" without a name is read as an end site.
            at(depthNames_, depth_) = name.empty() ? std::string(kSite) : std::string(name);
        }
    }
    const std::size_t skipBegin = headerPos == npos ? 0 : headerPos;
    const std::size_t skipEnd = headerPos == npos ? 0 : nameEnd;

    if (findOutside(line, kCloseBrace, skipBegin, skipEnd) != npos && depth_ > 0) --depth_;

    const std::size_t offsetPos = findOutside(line, kOffset, skipBegin, skipEnd);
    if (offsetPos != npos) {
        if (table_.nodes.size() >= kMaxNodes)
            return fail("more than " + std::to_string(kMaxNodes) + " joints and end sites");
        splitBlanks(line.substr(offsetPos), tokens_, 4);
        TableNode node;
        for (std::size_t axis = 0; axis < 3; ++axis)
            if (axis + 1 < tokens_.size()) node.offset[axis] = parseDouble(tokens_[axis + 1]);
        node.name = at(depthNames_, depth_);
        node.endSite = depth_ != 0 && node.name == kSite;
        node.parent = depth_ != 0 ? at(depthNodes_, depth_ - 1) : -1;
        node.firstChannel = table_.channels.size();
        node.line = lines_.lineNumber();
        current_ = static_cast<long long>(table_.nodes.size());
        at(depthNodes_, depth_) = static_cast<int>(current_);
        table_.nodes.push_back(std::move(node));
        ++depth_;
    }

    const std::size_t channelsPos = findOutside(line, kChannels, skipBegin, skipEnd);
    if (channelsPos != npos && current_ >= 0) {
        channelsLine(line, channelsPos);
        if (done_) return last_;
    }
    return Step::kLine;
}

void Reader::channelsLine(std::string_view line, std::size_t keywordPos) {
    // The keyword, the count and the names; one token more tells a line with too many.
    splitBlanks(line.substr(keywordPos), tokens_, kMaxChannelsPerLine + 3);
    if (tokens_.size() > kMaxChannelsPerLine + 2) {
        fail("a CHANNELS line with more than " + std::to_string(kMaxChannelsPerLine) +
             " channel names");
        return;
    }
    // The declared count is not used: the names are the channels. Unknown names keep their
    // place in the frame lines; each is warned about once, the first few of them by name.
    constexpr std::size_t kUnknownNamesShown = 8;
    std::vector<std::string_view> unknownShown;
    std::size_t unknownMore = 0;
    const std::size_t node = static_cast<std::size_t>(current_);
    for (std::size_t t = std::min<std::size_t>(2, tokens_.size()); t < tokens_.size(); ++t) {
        const std::string_view name = tokens_[t];
        const int kind = channelIndex(name);
        if (kind < 0 &&
            std::find(unknownShown.begin(), unknownShown.end(), name) == unknownShown.end()) {
            if (unknownShown.size() < kUnknownNamesShown) {
                unknownShown.push_back(name);
                warn("unknown channel " + quoted(name) + "; its values are skipped",
                     static_cast<long long>(node));
            } else {
                ++unknownMore;
            }
        }
        table_.channels.push_back({kind, node, lines_.lineNumber()});
    }
    if (unknownMore > 0)
        warn(std::to_string(unknownMore) + " more unknown channels; their values are skipped",
             static_cast<long long>(node));
    TableNode& owner = table_.nodes[node];
    owner.channelCount = table_.channels.size() - owner.firstChannel;
}

Reader::Step Reader::motionLine(std::string_view line) {
    const MotionHeader header = readMotionHeader(line);
    if (header.hasFrames && motion_.declaredFrames < 0) {
        const double count = parseDouble(header.frames);
        if (count >= 0 && count <= 1e15 && count == std::floor(count)) {
            motion_.declaredFrames = static_cast<long long>(count);
            motion_.declaredFramesLine = lines_.lineNumber();
        }
    }
    if (header.hasFrameTime) {
        const double seconds = parseDouble(header.frameTime);
        if (seconds > 0 && std::isfinite(seconds))
            motion_.frameTime = seconds;
        else
            warn("Frame Time " + quoted(header.frameTime) +
                 " is not a positive number of seconds; frames are keyed one frame apart");
        return Step::kLine;
    }
    // Header lines, the MOTION line and blank lines are not frames.
    if (header.hasFrames || line == kMotion || isBlankLine(line)) return Step::kLine;
    splitBlanks(line, tokens_, rowLimit());
    row_.resize(tokens_.size());
    for (std::size_t i = 0; i < tokens_.size(); ++i) row_[i] = parseDouble(tokens_[i]);
    return Step::kFrame;
}

}  // namespace bvh
