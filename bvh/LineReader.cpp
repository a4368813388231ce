#include "bvh/LineReader.h"

#include <sys/stat.h>

#include <cstring>

namespace bvh {

LineReader::~LineReader() { close(); }

void LineReader::close() {
    if (file_ && owned_) std::fclose(file_);
    file_ = nullptr;
    owned_ = false;
}

LineReader::OpenResult LineReader::open(const std::string& path) {
    close();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return OpenResult::kCannotOpen;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return OpenResult::kCannotOpen;
    }
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
