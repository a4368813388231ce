#pragma once
// Output files that are written completely or not at all.

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace bvh {

/// A text output file with one large buffer of its own.
///
/// When the path (UTF-8) names a regular file, or nothing yet, the text goes to a new file
/// beside it that replaces the file at the path only in finish(), after every byte was written,
/// flushed to the disk and the new file was closed without error; on any failure the file that
/// was at the path is left as it was, and nothing is left beside it. A symbolic link is
/// followed: the file it points to is the one replaced, the link itself stays.
///
/// Where no file can be made beside an existing file that may be written (a folder the user
/// may not write to), that file is written in place instead: the whole text is kept until
/// finish(), which then overwrites the file and cuts it to the new length. Until then it is
/// unchanged; an error while finish() writes may leave it damaged. inPlaceReason() says why.
///
/// A path that names something else that exists (a device such as /dev/stdout, a FIFO) is
/// opened and written directly, never replaced. A FIFO must already have a reader: the open
/// fails instead of waiting for one that may never come.
///
/// The file is a text stream: each "\n" ends a line as the system's text files end lines
/// (on Windows "\r\n").
///
/// Write errors are collected, not thrown: after the first one nothing more is written and
/// finish() reports it. No member throws except for memory exhaustion.
class OutputFile {
public:
    OutputFile();
    /// Discards an unfinished file, as discard() does.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Prepares writing to `path` (see the class comment). False, with errorText() saying why,
    /// when no file can be created or opened there; nothing at the path is changed then.
    bool open(const std::string& path);

    /// Appends text to the buffer.
    void write(std::string_view text);
    void put(char c);

    /// Room for at least `size` bytes at the end of the buffer, for text formatted in place;
    /// the caller then passes the end of what it wrote to commit(). The pointer is valid until
    /// the next call of any other member.
    char* reserve(std::size_t size);
    void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

    /// Writes out the buffer, closes the file and, for a file written beside its target, moves
    /// it into place. True only when all of that succeeded; otherwise errorText() says why and
    /// the file that was at the path is unchanged (a device or FIFO may have received part of
    /// the text). The object is closed afterwards either way.
    bool finish();

    /// Closes and removes a file written beside its target; the target is left unchanged.
    void discard();

    /// Reason of the first failure, in the words of the C library ("No space left on device")
    /// or, for what only Windows reports, of the system.
    const std::string& errorText() const { return errorText_; }

    /// Why the file at the path is written in place rather than replaced: the reason no file
    /// could be made beside it. Empty when it is replaced, or not a file.
    const std::string& inPlaceReason() const { return inPlaceReason_; }

    /// True once open() succeeded and until finish() or discard().
    bool isOpen() const { return file_ != nullptr; }

private:
    bool openFifo();
    bool openDevice();
    bool openBeside(bool exists, std::filesystem::perms permissions);
    /// Makes room for `size` more bytes: writes out the buffer, or grows it in place mode.
    void makeRoom(std::size_t size);
    void flushBuffer();
    /// Records the first failure: the C library's words for `errorNumber`, or `text`.
    void fail(int errorNumber);
    void fail(std::string text);

    std::FILE* file_ = nullptr;
    std::filesystem::path target_;     ///< final path, symbolic links resolved
    std::filesystem::path temporary_;  ///< file written beside target_; empty when none
    bool inPlace_ = false;
    std::string inPlaceReason_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    std::string errorText_;
};

}  // namespace bvh
