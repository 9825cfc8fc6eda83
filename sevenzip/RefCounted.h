// The reference count that every object handed to the archive library carries.
#pragma once

#include <windows.h>

#include <atomic>

namespace sevenzip {

// Starts at 0; the first reference handed out makes it 1; the release that brings it back to 0
// destroys the object.
class RefCounted {
protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG AddRefCount() noexcept { return ++count_; }
    ULONG ReleaseCount() noexcept
    {
        const ULONG left = --count_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> count_{0};
};

// IUnknown's counting methods for a class with RefCounted as a base.
#define SEVENZIP_COUNTED_OBJECT                                                  \
    ULONG __stdcall AddRef() override { return AddRefCount(); }                \
    ULONG __stdcall Release() override { return ReleaseCount(); }

} // namespace sevenzip
