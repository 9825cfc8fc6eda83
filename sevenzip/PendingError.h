// An error raised inside a call from the archive library must never unwind through the library's
// own code: it is kept here until the library has returned, then raised to our caller.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <utility>

namespace sevenzip {

class PendingError {
public:
    // Runs call and answers its result; an error it raises is kept and answered with E_FAIL.
    template <class Call>
    HRESULT Guard(Call call) noexcept
    {
        try {
            return call();
        } catch (...) {
            Keep();
            return E_FAIL;
        }
    }
    // Keeps the error being handled; the first one kept stays, as the others follow from it.
    void Keep() noexcept
    {
        if (!error_)
            error_ = std::current_exception();
    }
    void Clear() noexcept { error_ = nullptr; }
    explicit operator bool() const noexcept { return error_ != nullptr; }
    // Raises the kept error, if any, and forgets it.
    void RaiseIfAny()
    {
        if (std::exception_ptr error = std::exchange(error_, nullptr))
            std::rethrow_exception(error);
    }

private:
    std::exception_ptr error_;
};

// Shared between the reader and the streams it hands to the library.
using SharedPendingError = std::shared_ptr<PendingError>;

} // namespace sevenzip
