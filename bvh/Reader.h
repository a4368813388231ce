#pragma once
// Reads a BVH file without the host: the HIERARCHY section becomes a table of nodes and
// channels, the MOTION section is handed on one frame line at a time, and what is wrong with
// the file comes back as messages, never printed here.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bvh/LineReader.h"

namespace bvh {

/// One block of the hierarchy (ROOT, JOINT or End Site), in file order from 0.
struct TableNode {
    /// The block's name as the file gives it: the token after its keyword, "Site" for an end
    /// site, empty when the line has none. A block without a header line of its own takes the
    /// name of the block before it at the same depth.
    std::string name;
    int parent = -1;       ///< the block it is nested in; -1 for a root
    bool endSite = false;  ///< named "Site" below a root
    double offset[3] = {0, 0, 0};  ///< as written; a missing number reads as 0
    std::size_t firstChannel = 0;  ///< its channels are [firstChannel, firstChannel + channelCount)
    std::size_t channelCount = 0;
    std::size_t line = 0;  ///< the line of its OFFSET, where the block is counted
};

/// One name of a CHANNELS line.
struct TableChannel {
    int kind = -1;  ///< 0..5: X/Y/Z position, X/Y/Z rotation (kChannelNames); -1 unknown name
    std::size_t node = 0;
    std::size_t line = 0;  ///< the line of its CHANNELS line
};

/// The hierarchy read so far: nodes parents first, channels in the order of the frame values.
struct HierarchyTable {
    std::vector<TableNode> nodes;
    std::vector<TableChannel> channels;
};

/// A warning (the file is read on) or an error (the file cannot be read from this line on).
struct ReadMessage {
    bool error = false;
    std::size_t line = 0;
    std::string text;
    /// The node whose CHANNELS line the warning is about; -1 for other messages.
    long long node = -1;
};

/// What the MOTION section's header lines said so far.
struct MotionHeaderValues {
    long long declaredFrames = -1;  ///< the first "Frames:" count; -1 without one
    std::size_t declaredFramesLine = 0;
    double frameTime = 0;  ///< the last positive "Frame Time:" seconds; 0 without one
};

/// Limits far beyond any capture, so that a damaged file is refused before it fills memory.
inline constexpr std::size_t kMaxNameLength = 65536;
inline constexpr std::size_t kMaxChannelsPerLine = 10000;
/// ROOT, JOINT and End Site blocks: real skeletons have hundreds.
inline constexpr std::size_t kMaxNodes = 100000;

/// The reader of one file. Line rules are LineReader's; lines before the first "HIERARCHY"
/// line are ignored, and a "HIERARCHY" or "MOTION" line (the whole line) switches the section
/// whenever it comes, so a file may hold several of each: the table only grows.
class Reader {
public:
    /// What one call of next() read.
    enum class Step {
        kLine,            ///< a line that gives nothing to act on (yet)
        kHierarchyEnded,  ///< a "MOTION" line ended a hierarchy section; the table is complete so far
        kFrame,           ///< a frame line: row() holds its values
        kEnd,             ///< the end of the file, or a read error (failed())
        kError,           ///< the file cannot be read on: the last message says why
    };

    bool open(const std::string& path) {
        return lines_.open(path) == LineReader::OpenResult::kOk;
    }
    /// Reads from an already open stream (not closed by the reader).
    void attach(std::FILE* stream) { lines_.attach(stream); }

    /// Reads one line. After kEnd or kError every call returns the same again.
    Step next();

    const HierarchyTable& table() const { return table_; }
    const MotionHeaderValues& motion() const { return motion_; }
    /// The values of the last frame line: at most rowLimit() of them, fewer when the line has
    /// fewer; each read as C's atof reads it (parseDouble).
    const std::vector<double>& row() const { return row_; }
    /// How many values of a frame line are read: the ones a caller uses (by default, one per
    /// channel of the table); values beyond them are ignored unread.
    void setRowLimit(std::size_t limit) { rowLimit_ = limit; }
    std::size_t rowLimit() const { return rowLimit_ == kAllChannels ? table_.channels.size() : rowLimit_; }

    /// Messages since the last call, in line order; the list is emptied.
    std::vector<ReadMessage> takeMessages();

    /// At most how many more frame lines of rowLimit() values the rest of a file of `size`
    /// bytes can hold: each value takes a character and a blank or line end.
    std::uint64_t framesThatFit(std::uint64_t size) const {
        const std::uint64_t left = size > bytesRead_ ? size - bytesRead_ : 0;
        const std::uint64_t perLine = 2 * std::uint64_t{rowLimit() > 0 ? rowLimit() : 1};
        return left / perLine + 1;
    }

    std::size_t lineNumber() const { return lines_.lineNumber(); }
    /// Bytes of the lines read, one for each line end.
    std::uint64_t bytesRead() const { return bytesRead_; }
    bool failed() const { return lines_.failed(); }
    void close() { lines_.close(); }

private:
    enum class Section { kNone, kHierarchy, kMotion };
    static constexpr std::size_t kAllChannels = static_cast<std::size_t>(-1);

    Step hierarchyLine(std::string_view line);
    void channelsLine(std::string_view line, std::size_t keywordPos);
    Step motionLine(std::string_view line);
    Step fail(std::string text);
    void warn(std::string text, long long node = -1);

    LineReader lines_;
    Section section_ = Section::kNone;
    bool done_ = false;
    Step last_ = Step::kLine;
    HierarchyTable table_;
    MotionHeaderValues motion_;
    std::vector<std::string> depthNames_;  // name of the block open at each depth
    std::vector<int> depthNodes_;          // the last node read at each depth
    unsigned int depth_ = 0;
    long long current_ = -1;  // node of the most recent OFFSET line
    std::vector<std::string_view> tokens_;
    std::vector<double> row_;
    std::size_t rowLimit_ = kAllChannels;
    std::vector<ReadMessage> messages_;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace bvh
