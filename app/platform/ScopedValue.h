// A value put in a variable for as long as the object lives, and the one
// before it put back after, on every way out: how tests put a fake, a
// shorter delay or a hook in place of the program's own.
#pragma once

#include <utility>

namespace zephral {

template <typename T>
class ScopedValue {
public:
    ScopedValue(T& variable, T value)
        : m_variable(variable), m_saved(std::exchange(variable, std::move(value))) {}
    ~ScopedValue() { m_variable = std::move(m_saved); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& m_variable;
    T m_saved;
};

} // namespace zephral
