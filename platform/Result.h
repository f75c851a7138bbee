#pragma once

#include "platform/Failure.h"

#include <utility>
#include <variant>

namespace quillon {

// A value or the failure that stood in its way.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_v(std::move(value))
    {
    }
    Result(Failure failure)
        : m_v(std::move(failure))
    {
    }
    Result(ErrorCode code)
        : m_v(Failure(code))
    {
    }

    bool ok() const { return std::holds_alternative<T>(m_v); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<T>(m_v); }
    T& value() & { return std::get<T>(m_v); }
    T&& value() && { return std::get<T>(std::move(m_v)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const Failure& failure() const { return std::get<Failure>(m_v); }

private:
    std::variant<T, Failure> m_v;
};

// The result of an operation that gives nothing back when it succeeds.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure)
        : m_failure(std::move(failure))
        , m_ok(false)
    {
    }
    Status(ErrorCode code)
        : m_failure(code)
        , m_ok(false)
    {
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const Failure& failure() const { return m_failure; }

private:
    Failure m_failure;
    bool m_ok = true;
};

} // namespace quillon
