// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kurvomat {

// Every failure that a statement of the program can raise. Procedures that run in the
// skip-on-error style catch these per statement (see SkipOnError.h); all others let them pass.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A result outside the 16-bit signed range, or a float that does not fit the target type.
class OverflowError : public Error {
public:
    using Error::Error;
};

// A text that is not a number under the locale rule.
class ConversionError : public Error {
public:
    using Error::Error;
};

// An array index outside the declared bounds.
class IndexError : public Error {
public:
    using Error::Error;
};

// The serial port refused a property value or could not be opened.
class PortError : public Error {
public:
    using Error::Error;
};

// A file could not be opened, read, written, renamed or removed.
class FileError : public Error {
public:
    using Error::Error;
};

// The chart refused a property value.
class ChartError : public Error {
public:
    using Error::Error;
};

} // namespace kurvomat
