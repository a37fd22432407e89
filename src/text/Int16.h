// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// 16-bit signed integers: conversion and arithmetic throw where a result leaves the 16-bit range,
// never wrap.
namespace kurvomat::text {

// Conversion of a 64-bit float to a 16-bit signed integer: rounds to the nearest integer,
// halves to the even neighbour; a result outside -32768..32767 (or NaN) throws OverflowError.
[[nodiscard]] std::int16_t toInt16(double value);

// 16-bit integer addition: a result outside -32768..32767 throws OverflowError.
[[nodiscard]] std::int16_t add16(std::int16_t a, std::int16_t b);

} // namespace kurvomat::text
