#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <initializer_list>

// A fixed-size array indexed from 1, for the program's lists and control arrays that are
// numbered from 1 (access level names, data file names, txtField(1..22), ...).
template <typename T, std::size_t N> class OneBased {
public:
    OneBased() = default;
    OneBased(std::initializer_list<T> items) {
        assert(items.size() <= N);
        std::size_t i = 0;
        for (const T& item : items)
            m_items[i++] = item;
    }

    T& operator[](std::size_t i) {
        assert(i >= 1 && i <= N);
        return m_items[i - 1];
    }
    const T& operator[](std::size_t i) const {
        assert(i >= 1 && i <= N);
        return m_items[i - 1];
    }
    static constexpr std::size_t size() { return N; }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::array<T, N> m_items{};
};
