// Waiting in a test for a sign that another thread or program has got somewhere: a flag, a file,
// a window. What a test then checks holds from that point on, however fast or slow the machine.
#pragma once

#include <windows.h>

#include <functional>

namespace testing_support {

// Whether condition came true within milliseconds; it is asked every 20 ms.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = 20000)
{
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    while (!condition()) {
        if (::GetTickCount64() >= deadline)
            return false;
        ::Sleep(20);
    }
    return true;
}

} // namespace testing_support
