// Growable storage for the key times and values of a curve.
//
// A long capture puts millions of keys on a few hundred curves, appended one frame at a
// time. A std::vector copies its whole content on every growth and touches more memory than
// it ends with; this buffer keeps a large block in pages of its own and grows it by moving
// the pages (mremap) instead of copying them, and maps pages in ahead of the appends a few
// dozen at a time (Linux's mremap; elsewhere every block stays with the allocator). Only the
// operations the curves use are here, with std::vector's meaning.
#pragma once

#if defined(__linux__)
#include <sys/mman.h>
#define STANDIN_KEY_PAGES 1
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace standin {
namespace detail {

template <typename T>
class KeyBuffer {
    static_assert(std::is_trivially_copyable<T>::value, "keys are plain numbers");

public:
    KeyBuffer() = default;
    KeyBuffer(const KeyBuffer&) = delete;
    KeyBuffer& operator=(const KeyBuffer&) = delete;
    ~KeyBuffer() { release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }

    void reserve(std::size_t wanted) {
        if (wanted > capacity_) grow(wanted);
    }
    void push_back(T value) {
        if (size_ >= ready_) makeRoom();
        data_[size_++] = value;
    }
    /// Inserts `value` before `at` (an index, 0..size()).
    void insertAt(std::size_t at, T value) {
        if (size_ == capacity_) grow(size_ + 1);
        std::memmove(data_ + at + 1, data_ + at, (size_ - at) * sizeof(T));
        data_[at] = value;
        ++size_;
    }
    /// Removes `count` values from index `at`.
    void eraseAt(std::size_t at, std::size_t count = 1) {
        std::memmove(data_ + at, data_ + at + count, (size_ - at - count) * sizeof(T));
        size_ -= count;
    }
    void clear() { size_ = 0; }
    /// Keeps the first `count` values (count <= size()).
    void truncate(std::size_t count) { size_ = count; }
    void swap(KeyBuffer& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        std::swap(ready_, other.ready_);
    }

private:
    /// Blocks from this size on are mapped pages of their own, grown by moving the pages.
    /// Under AddressSanitizer every block stays with the allocator, which checks its bounds;
    /// so it does where pages cannot be moved.
#if !defined(STANDIN_KEY_PAGES) || defined(__SANITIZE_ADDRESS__)
    static constexpr std::size_t kMapBytes = SIZE_MAX;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    static constexpr std::size_t kMapBytes = SIZE_MAX;
#else
    static constexpr std::size_t kMapBytes = std::size_t{1} << 16;
#endif
#else
    static constexpr std::size_t kMapBytes = std::size_t{1} << 16;
#endif

    void grow(std::size_t wanted) {
        std::size_t capacity = capacity_ < 16 ? 16 : capacity_ * 2;
        if (capacity < wanted) capacity = wanted;
        if (capacity > SIZE_MAX / 2 / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = capacity * sizeof(T);
        void* fresh = nullptr;
        if (bytes < kMapBytes) {
            fresh = std::realloc(data_, bytes);
            if (fresh == nullptr) throw std::bad_alloc();
        } else {
            fresh = mapPages(bytes);
        }
        data_ = static_cast<T*>(fresh);
        capacity_ = capacity;
        ready_ = capacity;
        if (mapped()) {
            ready_ = size_;
            prefault();
        }
    }
    /// Room for one more value: the next pages mapped in, or a larger block.
    void makeRoom() {
        if (size_ < capacity_)
            prefault();
        else
            grow(size_ + 1);
    }
    /// Maps in, with one call, the pages that the next appends will fill, which costs far
    /// less than a page fault per page, and moves `ready_` past them. A quarter of the content
    /// (64 KB to 2 MB) at a time: never much more than the content is held in memory.
    void prefault() {
        constexpr std::size_t kPage = 4096;
        std::size_t window = size_ * sizeof(T) / 4;
        if (window < (std::size_t{1} << 16)) window = std::size_t{1} << 16;
        if (window > (std::size_t{1} << 21)) window = std::size_t{1} << 21;
        const std::size_t from = ready_ * sizeof(T) / kPage * kPage;
        std::size_t to = (ready_ * sizeof(T) + window) / kPage * kPage;
        if (to > capacity_ * sizeof(T)) to = capacity_ * sizeof(T);
#ifdef MADV_POPULATE_WRITE
        if (to > from)
            ::madvise(reinterpret_cast<char*>(data_) + from, to - from, MADV_POPULATE_WRITE);
#else
        (void)from;
#endif
        ready_ = to / sizeof(T);
        if (ready_ <= size_) ready_ = size_ + 1;  // always room for the value being added
    }
    bool mapped() const { return capacity_ * sizeof(T) >= kMapBytes; }
#ifdef STANDIN_KEY_PAGES
    /// A block of `bytes` in pages of its own with the content: the block's pages moved when
    /// it is one already, else a copy.
    void* mapPages(std::size_t bytes) {
        void* fresh = nullptr;
        if (mapped()) {
            fresh = ::mremap(data_, capacity_ * sizeof(T), bytes, MREMAP_MAYMOVE);
            if (fresh == MAP_FAILED) throw std::bad_alloc();
        } else {
            fresh =
                ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (fresh == MAP_FAILED) throw std::bad_alloc();
            if (size_ != 0) std::memcpy(fresh, data_, size_ * sizeof(T));
            std::free(data_);
        }
        return fresh;
    }
    void release() {
        if (mapped())
            ::munmap(data_, capacity_ * sizeof(T));
        else
            std::free(data_);
    }
#else
    void* mapPages(std::size_t) { throw std::bad_alloc(); }  // never called: kMapBytes
    void release() { std::free(data_); }
#endif
    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    /// push_back writes below this without further checks: the capacity, or for a mapped
    /// block the end of the pages already mapped in.
    std::size_t ready_ = 0;
};

}  // namespace detail
}  // namespace standin
