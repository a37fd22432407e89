#pragma once

#include <exception>
#include <utility>

namespace kurvomat {

// Runs one statement of a procedure in the skip-on-error style: when it fails, the failure
// is dropped and the caller goes on with its next statement. Returns whether it succeeded.
template <typename Statement>
bool skipOnError(Statement &&statement) noexcept
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
bool testOnError(Test &&test) noexcept
{
    try {
        return static_cast<bool>(std::forward<Test>(test)());
    } catch (const std::exception &) {
        return true;
    }
}

} // namespace kurvomat
