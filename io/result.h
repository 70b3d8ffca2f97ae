#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vd {

// Why an operation failed, in words a user can read after the file name.
struct Error {
    std::string message;
};

// A value or the reason there is none.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Error error) : error_(std::move(error.message)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    const std::string& error() const { return error_; }

private:
    std::optional<T> value_;
    std::string error_;
};

// Success, or the reason for a failure.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error.message)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return error_; }

private:
    std::string error_;
    bool failed_ = false;
};

}  // namespace vd
