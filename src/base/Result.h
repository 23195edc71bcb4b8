#pragma once

#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>

// The one way an expected failure travels below the application layer: a
// function returns a Result holding either its value or its layer's error
// (an enum with the line, column or offset where it has one). Exceptions stay
// for programming errors (reading the value of a failure is one) and for
// running out of memory.
namespace base {

// An error on its way into a Result: `return base::Fail(error);`.
template <class E>
struct Failed {
    E error;
};

// Wraps `error` so that it converts into a failed Result of any value type.
template <class E>
Failed<std::decay_t<E>> Fail(E&& error) {
    return {std::forward<E>(error)};
}

// A value of type T, or an error of type E.
template <class T, class E>
class [[nodiscard]] Result {
public:
    // A success holding `value`.
    Result(T value) : data_(std::in_place_index<0>, std::move(value)) {}
    // A failure holding the error.
    template <class F>
    Result(Failed<F> failed) : data_(std::in_place_index<1>, E(std::move(failed.error))) {}

    // True on success.
    bool ok() const { return data_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; std::logic_error on a failure.
    T& value() & { return std::get<0>(checked(true)); }
    const T& value() const& { return std::get<0>(checked(true)); }
    T&& value() && { return std::get<0>(std::move(checked(true))); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // The error; std::logic_error on a success.
    const E& error() const { return std::get<1>(checked(false)); }

private:
    std::variant<T, E>& checked(bool wantValue) {
        if (ok() != wantValue)
            throw std::logic_error(wantValue ? "value of a failed Result" : "error of a successful Result");
        return data_;
    }
    const std::variant<T, E>& checked(bool wantValue) const { return const_cast<Result*>(this)->checked(wantValue); }

    std::variant<T, E> data_;
};

// Success without a value, or an error of type E.
template <class E>
class [[nodiscard]] Result<void, E> {
public:
    // A success.
    Result() = default;
    // A failure holding the error.
    template <class F>
    Result(Failed<F> failed) : error_(E(std::move(failed.error))) {}

    // True on success.
    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }

    // The error; std::logic_error on a success.
    const E& error() const {
        if (!error_)
            throw std::logic_error("error of a successful Result");
        return *error_;
    }

private:
    std::optional<E> error_;
};

} // namespace base
