#include "win32/WindowCall.h"

#include "win32/Error.h"

#include <exception>

namespace win32 {

namespace {

// Sent, never posted: the sender waits while the window's thread runs the call.
constexpr UINT kWindowCallMessage = WM_APP + 0x3A1;

struct Call {
    const std::function<void()>* fn;
    std::exception_ptr error;
};

} // namespace

void CallOnWindowThread(HWND window, const std::function<void()>& fn)
{
    if (::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
        fn();
        return;
    }
    Call call{&fn, nullptr};
    if (::SendMessageW(window, kWindowCallMessage, 0, reinterpret_cast<LPARAM>(&call)) != 1)
        throw Error(L"The program's window has closed.");
    if (call.error)
        std::rethrow_exception(call.error);
}

bool HandleWindowCall(UINT message, LPARAM lParam, LRESULT& result)
{
    if (message != kWindowCallMessage)
        return false;
    auto* call = reinterpret_cast<Call*>(lParam);
    try {
        (*call->fn)();
    } catch (...) {
        call->error = std::current_exception();
    }
    result = 1;
    return true;
}

} // namespace win32
