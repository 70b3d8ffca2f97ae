#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace vd {

// A fixed number of T, all bits zero, from calloc: a block this large comes fresh from the
// system and zero already, so only the pages that are written or read ever cost a fault, and
// nothing clears the rest. For large tables of which a run touches a small part.
template <class T>
class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t count)
        : data_(static_cast<T*>(std::calloc(count, sizeof(T)))) {
        if (!data_ && count > 0) throw std::bad_alloc();
    }

    T& operator[](std::size_t i) { return data_.get()[i]; }
    const T& operator[](std::size_t i) const { return data_.get()[i]; }

  private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T[], Free> data_;
};

}  // namespace vd
