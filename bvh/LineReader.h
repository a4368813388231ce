#pragma once
// Reads a BVH file one line at a time, of any length, without holding the file in memory.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace bvh {

/// Line ends: the first line break of the file decides. A lone carriage return makes the
/// carriage return the delimiter of the whole file; otherwise lines end at a line feed, and a
/// carriage return directly before it is dropped. In carriage-return files a line feed
/// directly after the carriage return belongs to the same line end. Every tab of a line is
/// replaced by a blank before the line is handed out.
class LineReader {
public:
    enum class OpenResult { kOk, kCannotOpen };

    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    /// Opens `path` for reading. Directories and paths that cannot be opened give kCannotOpen.
    OpenResult open(const std::string& path);

    /// Reads from an already open stream (not closed by the reader). For tests and tools.
    void attach(std::FILE* stream);

    /// The next line without its line end, valid until the next call; false at the end of the
    /// file or on a read error (see failed()).
    bool next(std::string_view& line);

    /// 1-based number of the line last returned by next().
    std::size_t lineNumber() const { return lineNumber_; }

    /// True when reading stopped on a read error rather than at the end of the file.
    bool failed() const { return failed_; }

    /// True when the file uses lone carriage returns as line ends (known after the first
    /// line break has been read).
    bool carriageReturnLines() const { return delimiter_ == '\r'; }

    void close();

private:
    bool fill();

    std::FILE* file_ = nullptr;
    bool owned_ = false;
    char buffer_[1 << 16];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    char delimiter_ = 0;  // 0 until the first line break decides
    bool skipLineFeed_ = false;
    std::string line_;
    std::size_t lineNumber_ = 0;
};

}  // namespace bvh
