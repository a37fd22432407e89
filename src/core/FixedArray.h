// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Errors.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>

namespace kurvomat {

// An array with fixed inclusive bounds Lo..Hi, created filled with zero. Every access is
// checked: an index outside the bounds throws IndexError instead of touching other memory.
template <typename T, int Lo, int Hi>
class FixedArray {
    static_assert(Hi >= Lo);

public:
    static constexpr int kLower = Lo;
    static constexpr int kUpper = Hi;
    static constexpr std::size_t kSize = static_cast<std::size_t>(Hi - Lo + 1);

    [[nodiscard]] T &operator()(long long index) { return m_values[offset(index)]; }
    [[nodiscard]] const T &operator()(long long index) const { return m_values[offset(index)]; }

    // Unchecked view for hot loops whose bounds the caller has already checked once.
    [[nodiscard]] T *data() noexcept { return m_values.data(); }
    [[nodiscard]] const T *data() const noexcept { return m_values.data(); }

    // The whole array, element Lo at position 0.
    [[nodiscard]] std::span<T> span() noexcept { return m_values; }
    [[nodiscard]] std::span<const T> span() const noexcept { return m_values; }

    void fill(const T &value) { m_values.fill(value); }

private:
    static std::size_t offset(long long index)
    {
        if (index < Lo || index > Hi)
            throw IndexError("index " + std::to_string(index) + " outside " + std::to_string(Lo)
                             + ".." + std::to_string(Hi));
        return static_cast<std::size_t>(index - Lo);
    }

    std::array<T, kSize> m_values{};
};

} // namespace kurvomat
