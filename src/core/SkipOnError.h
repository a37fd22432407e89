// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <utility>

namespace kurvomat {

// Thrown once the window has unloaded, at the point where a procedure that let pending events
// run gets control back: it leaves every procedure at once, so nothing more is drawn, written,
// correlated or shown. Deliberately not a std::exception, so that neither skipOnError nor
// testOnError can swallow it; the window's event dispatch ends it quietly.
struct ProgramEnded { };

// Runs one statement of a procedure in the skip-on-error style: when it fails, the failure
// is dropped and the caller goes on with its next statement. Returns whether it succeeded.
// Only ProgramEnded passes (hence not noexcept).
template <typename Statement>
bool skipOnError(Statement &&statement)
{
    try {
        std::forward<Statement>(statement)();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

// The test of a conditional in the skip-on-error style: a test that fails counts as true,
// so execution goes on with the first statement inside the conditional.
template <typename Test>
bool testOnError(Test &&test)
{
    try {
        return static_cast<bool>(std::forward<Test>(test)());
    } catch (const std::exception &) {
        return true;
    }
}

} // namespace kurvomat
