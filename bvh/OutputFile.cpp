#include "bvh/OutputFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "bvh/FilePath.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
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

/// A name for the file written beside the target in `folder`: short whatever the target's
/// name, so that a target whose name is as long as the system allows still gets one.
fs::path temporaryName(const fs::path& folder, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::uint64_t mix =
        ticks ^ (std::uint64_t{++counter} << 40) ^ (std::uint64_t{attempt} << 56);
    char name[32];
    std::snprintf(name, sizeof name, ".bvhio-%08x.tmp",
                  static_cast<unsigned>((mix ^ (mix >> 32)) & 0xffffffffu));
    return folder / name;
}

enum class Open {
    kExisting,  ///< an existing file, not truncated
    kNew,       ///< a new file; never one that exists, however unlikely the name
};

#ifdef _WIN32

/// The words for a Windows error: those of the C library for what every system reports, so
/// that a message reads the same everywhere, and the system's own (in the user's language)
/// for what only Windows has, such as a file that another program holds open.
std::string windowsErrorText(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return std::strerror(ENOENT);
        case ERROR_ACCESS_DENIED:
            return std::strerror(EACCES);
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return std::strerror(EEXIST);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::strerror(ENOSPC);
        case ERROR_FILENAME_EXCED_RANGE:
            return std::strerror(ENAMETOOLONG);
        default:
            break;
    }
    wchar_t* words = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::string text = length > 0 ? fs::path(words, words + length).u8string()
                                  : "Windows error " + std::to_string(code);
    if (words != nullptr) LocalFree(words);
    // One line, ending as the C library's words do: without a full stop.
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

/// True when `path` names a device (NUL, CON, COM1, in any folder) or a pipe (\\.\pipe\...):
/// Windows puts them in a namespace of their own, which the full path shows.
bool namesDevice(const fs::path& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return false;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return false;
    full.resize(written);
    return full.rfind(L"\\\\.\\", 0) == 0 || full.rfind(L"//./", 0) == 0;
}

std::FILE* openForWriting(const fs::path& path, Open how, std::string& error, bool& nameTaken) {
    nameTaken = false;
    // Others may read the file meanwhile, or rename it, but not write to it.
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    how == Open::kNew ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        nameTaken = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
        error = windowsErrorText(code);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), 0);
    if (fd < 0) {
        error = std::strerror(errno);
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        _close(fd);
    }
    return file;
}

/// Writes the text with each "\n" as "\r\n", the line end of Windows' text files. (Done
/// here rather than by the C runtime's text mode, so that every byte is accounted for.)
bool writeText(std::FILE* file, const char* text, std::size_t size) {
    std::string lines;
    lines.reserve(size + size / 8);
    for (const char* end = text + size; text < end;) {
        const char* lineEnd =
            static_cast<const char*>(std::memchr(text, '\n', static_cast<std::size_t>(end - text)));
        if (lineEnd == nullptr) {
            lines.append(text, end);
            break;
        }
        lines.append(text, lineEnd);
        lines += "\r\n";
        text = lineEnd + 1;
    }
    return std::fwrite(lines.data(), 1, lines.size(), file) == lines.size();
}

bool syncToDisk(std::FILE* file, std::string& error) {
    if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) return true;
    error = windowsErrorText(GetLastError());
    return false;
}

bool truncateHere(std::FILE* file, std::string& error) {
    if (SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) return true;
    error = windowsErrorText(GetLastError());
    return false;
}

bool moveIntoPlace(const fs::path& from, const fs::path& to, std::string& error) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = windowsErrorText(GetLastError());
    return false;
}

#else

bool namesDevice(const fs::path&) { return false; }  // devices are in /dev, and stat says so

std::FILE* openForWriting(const fs::path& path, Open how, std::string& error, bool& nameTaken) {
    nameTaken = false;
    const int flags =
        how == Open::kNew ? O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC : O_WRONLY | O_CLOEXEC;
    errno = 0;
    // A new file gets the permissions that fopen would give it (the file mode mask applies).
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        nameTaken = errno == EEXIST;
        error = std::strerror(errno);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "w");
    if (file == nullptr) {
        error = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

bool writeText(std::FILE* file, const char* text, std::size_t size) {
    return std::fwrite(text, 1, size, file) == size;
}

bool syncToDisk(std::FILE* file, std::string& error) {
    if (::fsync(fileno(file)) == 0) return true;
    error = std::strerror(errno);
    return false;
}

bool truncateHere(std::FILE* file, std::string& error) {
    const off_t size = ::ftello(file);
    if (size >= 0 && ::ftruncate(fileno(file), size) == 0) return true;
    error = std::strerror(errno);
    return false;
}

bool moveIntoPlace(const fs::path& from, const fs::path& to, std::string& error) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return true;
    error = std::strerror(ec.value());
    return false;
}

#endif

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() { discard(); }

void OutputFile::fail(int errorNumber) {
    fail(std::strerror(errorNumber != 0 ? errorNumber : EIO));
}

void OutputFile::fail(std::string text) {
    if (failed_) return;
    failed_ = true;
    errorText_ = std::move(text);
}

bool OutputFile::openFifo() {
#ifdef _WIN32
    return openDevice();
#else
    // Opening a FIFO for writing waits for a reader, for ever if none comes; the host must
    // not hang on a pipe that nothing reads, so the open must find a reader already there.
    errno = 0;
    const int fd = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int openError = errno;
        if (openError == ENXIO)
            fail(std::string("no process reads from this FIFO"));
        else
            fail(openError);
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
#endif
}

bool OutputFile::openDevice() {
    // Devices cannot be replaced; they take the text as it comes.
    std::string error;
    bool nameTaken = false;
    file_ = openForWriting(target_, Open::kExisting, error, nameTaken);
    if (file_ == nullptr) fail(error);
    return file_ != nullptr;
}

bool OutputFile::openBeside(bool exists, fs::perms permissions) {
    std::string error;
    bool nameTaken = false;
    if (exists) {
        // Replacing by rename needs only a writable folder; a file the user has
        // write-protected, or that another program holds open, must still refuse the export,
        // as writing into it would. Opening it for writing changes neither its content nor
        // its times.
        std::FILE* probe = openForWriting(target_, Open::kExisting, error, nameTaken);
        if (probe == nullptr) {
            fail(error);
            return false;
        }
        std::fclose(probe);
    }
    for (int attempt = 0; file_ == nullptr && attempt < kMaxNameAttempts; ++attempt) {
        const fs::path name = temporaryName(target_.parent_path(), static_cast<unsigned>(attempt));
        file_ = openForWriting(name, Open::kNew, error, nameTaken);
        if (file_ != nullptr) temporary_ = name;
        if (!nameTaken) break;
    }
    if (file_ != nullptr) {
        // The replacement keeps the permissions of the file it replaces; a new file gets the
        // ones that the process's file mode mask gives it.
        std::error_code ec;
        if (exists) fs::permissions(temporary_, permissions, ec);
        return true;
    }
    if (!exists) {
        fail(error);
        return false;
    }
    // No file can be made beside one that may be written: it is written in place.
    file_ = openForWriting(target_, Open::kExisting, inPlaceReason_, nameTaken);
    if (file_ == nullptr) {
        fail(inPlaceReason_);
        inPlaceReason_.clear();
        return false;
    }
    inPlaceReason_ = error;
    inPlace_ = true;
    return true;
}

bool OutputFile::open(const std::string& path) {
    discard();
    failed_ = false;
    errorText_.clear();
    inPlace_ = false;
    inPlaceReason_.clear();
    used_ = 0;

    fs::path target = pathFromUtf8(path);
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
    target_ = target;

    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && status.type() != fs::file_type::not_found;
    bool opened = false;
    if (exists && status.type() == fs::file_type::directory) {
        fail(EISDIR);
    } else if (exists && status.type() == fs::file_type::fifo) {
        opened = openFifo();
    } else if ((exists && status.type() != fs::file_type::regular) || namesDevice(target)) {
        opened = openDevice();
    } else {
        opened = openBeside(exists, status.permissions());
    }
    if (!opened) return false;
    // The object's own buffer is the only one: each flush is one write to the system.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffer_.resize(kBufferSize);
    return true;
}

void OutputFile::flushBuffer() {
    if (used_ == 0) return;
    if (file_ != nullptr && !failed_) {
        errno = 0;
        if (!writeText(file_, buffer_.data(), used_)) fail(errno);
    }
    used_ = 0;
}

void OutputFile::makeRoom(std::size_t size) {
    if (buffer_.size() - used_ >= size) return;
    // In place, the file changes only in finish(): the whole text stays in the buffer.
    if (!inPlace_) flushBuffer();
    if (buffer_.size() - used_ < size) buffer_.resize(std::max(buffer_.size() * 2, used_ + size));
}

char* OutputFile::reserve(std::size_t size) {
    makeRoom(size);
    return buffer_.data() + used_;
}

void OutputFile::write(std::string_view text) {
    char* at = reserve(text.size());
    std::memcpy(at, text.data(), text.size());
    used_ += text.size();
}

void OutputFile::put(char c) {
    makeRoom(1);
    buffer_[used_++] = c;
}

bool OutputFile::finish() {
    if (file_ == nullptr) {
        if (!failed_) fail(EBADF);
        return false;
    }
    flushBuffer();
    if (!failed_ && std::fflush(file_) != 0) fail(errno);
    std::string error;
    // The file cut where the new text ends; a new file put in place only once its blocks are
    // on the disk.
    if (!failed_ && inPlace_ && !truncateHere(file_, error)) fail(error);
    if (!failed_ && (inPlace_ || !temporary_.empty()) && !syncToDisk(file_, error)) fail(error);
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) fail(errno);
    if (!temporary_.empty()) {
        if (!failed_ && !moveIntoPlace(temporary_, target_, error)) fail(error);
        std::error_code ec;
        if (failed_) fs::remove(temporary_, ec);
        temporary_.clear();
    }
    buffer_.clear();
    buffer_.shrink_to_fit();
    return !failed_;
}

void OutputFile::discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::error_code ec;
        fs::remove(temporary_, ec);
        temporary_.clear();
    }
    used_ = 0;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

}  // namespace bvh
