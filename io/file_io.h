#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "io/result.h"

namespace vd {

// Image files larger than this are refused before they are read.
constexpr std::uint64_t kMaxImageFileBytes = 1ull << 30;

// An allocator whose value-initialisation does nothing, so that a byte vector resized ahead
// of a read or a write is not zeroed first: every byte is overwritten anyway.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <class U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// The contents of a file.
using FileBytes = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

// A regular file opened for reading, of a size checked against a ceiling. Reading the start
// first lets the caller look at a header before paying for the rest.
class InputFile {
public:
    static Result<InputFile> open(const std::string& path,
                                  std::uint64_t maxBytes = kMaxImageFileBytes);
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // The size the file had when it was opened.
    std::uint64_t size() const { return size_; }
    // Fills `out` from `offset` on; the number of bytes read is smaller at the end of the file.
    Result<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    // The whole file (shorter if it shrank since it was opened).
    Result<FileBytes> readAll() const;

private:
    InputFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

    int fd_ = -1;
    std::uint64_t size_ = 0;
};

Result<FileBytes> readFileBytes(const std::string& path,
                                std::uint64_t maxBytes = kMaxImageFileBytes);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. On any failure the temporary file is removed and whatever was at `path` stays.
Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vd
