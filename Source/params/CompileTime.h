#pragma once

#include <cstddef>
#include <utility>

// Two helpers that let the parameter tables be searched and derived from one another while the
// program is compiled, so a count or an index is never written by hand.

// Text equality that also works in constant expressions (std::strcmp does not). Null equals only
// null.
constexpr bool sameText (const char* a, const char* b) noexcept
{
    if (a == nullptr || b == nullptr)
        return a == b;
    while (*a != 0 && *a == *b)
    {
        ++a;
        ++b;
    }
    return *a == *b;
}

// A constant C array whose element i is make (i), built while compiling:
// BuiltArray<int, countOf, std::make_index_sequence<4>>::values. A plain array (rather than a
// std::array) so that callers index it with an int as they index any table.
template <typename T, T (*make) (std::size_t), typename Indices>
struct BuiltArray;

template <typename T, T (*make) (std::size_t), std::size_t... I>
struct BuiltArray<T, make, std::index_sequence<I...>>
{
    static constexpr T values[] = { make (I)... };
};
