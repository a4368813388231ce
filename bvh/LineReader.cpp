#include "bvh/LineReader.h"

#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

#include <cstring>

#include "bvh/FilePath.h"

namespace bvh {

namespace {
#ifndef _WIN32
constexpr int kFifoWaitMilliseconds = 1000;
#endif
}  // namespace

LineReader::~LineReader() { close(); }

void LineReader::close() {
    if (file_ && owned_) std::fclose(file_);
    file_ = nullptr;
    owned_ = false;
}

LineReader::OpenResult LineReader::open(const std::string& path) {
    close();
#ifdef _WIN32
    std::FILE* f = _wfopen(pathFromUtf8(path).c_str(), L"rb");
    if (!f) return OpenResult::kCannotOpen;
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) != 0 || (st.st_mode & _S_IFDIR)) {
        std::fclose(f);
        return OpenResult::kCannotOpen;
    }
#else
    // Opened without blocking so that a FIFO nobody writes to cannot hang the host.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return OpenResult::kCannotOpen;
    struct stat st;
    bool usable = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    if (usable && S_ISFIFO(st.st_mode)) {
        // Wait a moment for a writer; a FIFO without one is a file that cannot be read.
        pollfd waiting{fd, POLLIN, 0};
        usable = ::poll(&waiting, 1, kFifoWaitMilliseconds) > 0;
    }
    if (usable) {
        const int flags = fcntl(fd, F_GETFL);
        usable = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    }
    std::FILE* f = usable ? fdopen(fd, "rb") : nullptr;
    if (!f) {
        ::close(fd);
        return OpenResult::kCannotOpen;
    }
#endif
    attach(f);
    owned_ = true;
    return OpenResult::kOk;
}

void LineReader::attach(std::FILE* stream) {
    close();
    file_ = stream;
    owned_ = false;
    pos_ = len_ = 0;
    eof_ = failed_ = false;
    delimiter_ = 0;
    skipLineFeed_ = false;
    lineNumber_ = 0;
}

bool LineReader::fill() {
    if (eof_ || !file_) return false;
    len_ = std::fread(buffer_, 1, sizeof buffer_, file_);
    pos_ = 0;
    if (len_ == 0) {
        eof_ = true;
        if (std::ferror(file_)) failed_ = true;
        return false;
    }
    return true;
}

bool LineReader::next(std::string_view& line) {
    line_.clear();
    bool any = false;
    for (;;) {
        if (pos_ >= len_ && !fill()) break;
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (buffer_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        const char* start = buffer_ + pos_;
        const std::size_t avail = len_ - pos_;
        const char* stop = nullptr;
        if (delimiter_ == '\n') {
            stop = static_cast<const char*>(std::memchr(start, '\n', avail));
        } else {
            // Carriage-return files, or the first line: look for either line end.
            for (std::size_t i = 0; i < avail; ++i)
                if (start[i] == '\n' || start[i] == '\r') {
                    stop = start + i;
                    break;
                }
        }
        any = true;
        if (!stop) {
            line_.append(start, avail);
            pos_ = len_;
            continue;
        }
        line_.append(start, static_cast<std::size_t>(stop - start));
        pos_ += static_cast<std::size_t>(stop - start) + 1;
        if (*stop == '\r') {
            if (delimiter_ == 0) {
                // CR LF decides for line feeds; a lone CR for carriage returns. Peek at the
                // next byte, which may lie in the next block.
                if (pos_ >= len_) fill();
                if (pos_ < len_ && buffer_[pos_] == '\n') {
                    delimiter_ = '\n';
                    ++pos_;
                } else {
                    delimiter_ = '\r';
                }
            } else {
                skipLineFeed_ = true;
            }
        } else {
            if (delimiter_ == 0) delimiter_ = '\n';
            if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        }
        break;
    }
    if (!any) return false;
    for (char& c : line_)
        if (c == '\t') c = ' ';
    ++lineNumber_;
    line = line_;
    return true;
}

}  // namespace bvh
