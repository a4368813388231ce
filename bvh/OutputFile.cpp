#include "bvh/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#if __has_include(<unistd.h>) && __has_include(<fcntl.h>)
#include <fcntl.h>
#include <unistd.h>
#define BVHIO_HAVE_POSIX 1
#endif

namespace bvh {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr int kMaxLinkHops = 40;
constexpr int kMaxNameAttempts = 64;

/// Follows symbolic links at the end of `path` until it names something that is not a link
/// (or nothing). Links inside the folder part need no resolving: the file written beside the
/// result lands in the same folder either way.
bool resolveLinks(fs::path& path, int& errorNumber) {
    for (int hop = 0;; ++hop) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (ec || status.type() != fs::file_type::symlink) return true;
        if (hop == kMaxLinkHops) {
            errorNumber = ELOOP;
            return false;
        }
        fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            errorNumber = ec.value();
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
}

std::string temporaryName(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const unsigned long long mix = ticks ^ (static_cast<unsigned long long>(++counter) << 40) ^
                                   (static_cast<unsigned long long>(attempt) << 56);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", mix);
    fs::path name = target.parent_path() / ("." + target.filename().string() + "." + hex + ".tmp");
    return name.string();
}

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() { discard(); }

void OutputFile::fail(int errorNumber, const char* text) {
    if (error_ != 0) return;
    error_ = errorNumber != 0 ? errorNumber : EIO;
    errorText_ = text != nullptr ? text : std::strerror(error_);
}

bool OutputFile::openFifo() {
#ifdef BVHIO_HAVE_POSIX
    // Opening a FIFO for writing waits for a reader, for ever if none comes; the host must
    // not hang on a pipe that nothing reads, so the open must find a reader already there.
    errno = 0;
    const int fd = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int openError = errno;
        fail(openError, openError == ENXIO ? "no process reads from this FIFO" : nullptr);
        return false;
    }
    // Writes then wait for the reader as usual instead of failing on a full pipe.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        fail(errno);
        ::close(fd);
        return false;
    }
    file_ = ::fdopen(fd, "w");
    if (file_ == nullptr) {
        fail(errno);
        ::close(fd);
        return false;
    }
    return true;
#else
    errno = 0;
    file_ = std::fopen(target_.c_str(), "w");
    if (file_ == nullptr) fail(errno);
    return file_ != nullptr;
#endif
}

bool OutputFile::open(const std::string& path) {
    discard();
    error_ = 0;
    errorText_.clear();
    used_ = 0;

    fs::path target(path);
    int errorNumber = 0;
    if (!resolveLinks(target, errorNumber)) {
        fail(errorNumber);
        return false;
    }
    if (target.filename().empty()) {
        // "" or "folder/": there is no file name to write beside.
        fail(path.empty() ? ENOENT : EISDIR);
        return false;
    }
    target_ = target.string();

    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && status.type() != fs::file_type::not_found;
    if (exists && status.type() == fs::file_type::fifo) {
        if (!openFifo()) return false;
    } else if (exists && status.type() != fs::file_type::regular) {
        // Devices cannot be replaced; they take the text as it comes.
        errno = 0;
        file_ = std::fopen(target_.c_str(), "w");
        if (file_ == nullptr) {
            fail(errno);
            return false;
        }
    } else {
        if (exists) {
            // Replacing by rename needs only a writable folder; a file the user has
            // write-protected must still refuse the export, as writing into it would.
            // Opening for appending changes neither its content nor its times.
            errno = 0;
            std::FILE* probe = std::fopen(target_.c_str(), "a");
            if (probe == nullptr) {
                fail(errno);
                return false;
            }
            std::fclose(probe);
        }
        for (unsigned attempt = 0; file_ == nullptr; ++attempt) {
            std::string name = temporaryName(target, attempt);
            errno = 0;
            // "x": never reuse a file that exists, however unlikely the name.
            file_ = std::fopen(name.c_str(), "wx");
            if (file_ != nullptr) {
                temporary_ = std::move(name);
            } else if (errno != EEXIST || attempt + 1 == kMaxNameAttempts) {
                fail(errno);
                return false;
            }
        }
        if (exists) {
            // The replacement keeps the permissions of the file it replaces; a new file gets
            // the ones that fopen gave it from the process's file mode mask.
            fs::permissions(temporary_, status.permissions(), ec);
        }
    }
    // The object's own buffer is the only one: each flush is one write to the system.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffer_.resize(kBufferSize);
    return true;
}

void OutputFile::flushBuffer() {
    if (used_ == 0) return;
    if (file_ != nullptr && error_ == 0) {
        errno = 0;
        if (std::fwrite(buffer_.data(), 1, used_, file_) != used_) fail(errno);
    }
    used_ = 0;
}

char* OutputFile::reserve(std::size_t size) {
    if (buffer_.size() - used_ < size) {
        flushBuffer();
        if (buffer_.size() < size) buffer_.resize(size);
    }
    return buffer_.data() + used_;
}

void OutputFile::write(std::string_view text) {
    char* at = reserve(text.size());
    std::memcpy(at, text.data(), text.size());
    used_ += text.size();
}

void OutputFile::put(char c) {
    if (used_ == buffer_.size()) flushBuffer();
    buffer_[used_++] = c;
}

bool OutputFile::finish() {
    if (file_ == nullptr) {
        if (error_ == 0) fail(EBADF);
        return false;
    }
    flushBuffer();
    if (error_ == 0 && std::fflush(file_) != 0) fail(errno);
#ifdef BVHIO_HAVE_POSIX
    // The rename below must never put a file in place whose blocks are not yet on disk.
    if (error_ == 0 && !temporary_.empty() && ::fsync(fileno(file_)) != 0) fail(errno);
#endif
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) fail(errno);
    if (!temporary_.empty()) {
        if (error_ == 0) {
            std::error_code ec;
            fs::rename(temporary_, target_, ec);
            if (ec) fail(ec.value());
        }
        if (error_ != 0) std::remove(temporary_.c_str());
        temporary_.clear();
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    return error_ == 0;
}

void OutputFile::discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
    used_ = 0;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

}  // namespace bvh
