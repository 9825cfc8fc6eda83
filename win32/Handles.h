// Owners for Windows handles: each closes its handle exactly once, when it goes out of scope.
#pragma once

#include "win32/SystemLibrary.h"

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include <utility>

namespace win32 {

template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type h) noexcept : h_(h) {}
    ~Unique() { reset(); }

    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : h_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const noexcept { return h_; }
    bool valid() const noexcept { return h_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(Type h = Traits::invalid()) noexcept
    {
        Type old = std::exchange(h_, h);
        if (old != Traits::invalid())
            Traits::close(old);
    }

private:
    Type h_ = Traits::invalid();
};

// Files: CreateFileW fails with INVALID_HANDLE_VALUE.
struct FileTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Type h) noexcept { ::CloseHandle(h); }
};

// Threads, events, mappings: their creators fail with a null handle.
struct KernelTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::CloseHandle(h); }
};

struct FindTraits {
    using Type = HANDLE;
    static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Type h) noexcept { ::FindClose(h); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::FreeLibrary(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::DestroyIcon(h); }
};

// Memory the system allocated for the caller (FormatMessage's buffer).
struct LocalTraits {
    using Type = HLOCAL;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type h) noexcept { ::LocalFree(h); }
};

// Memory the shell hands out (an item id list, say).
struct CoTaskMemTraits {
    using Type = void*;
    static Type invalid() noexcept { return nullptr; }
    static void close(Type p) noexcept { SYSTEM_FUNCTION(L"ole32.dll", CoTaskMemFree)(p); }
};

using FileHandle = Unique<FileTraits>;
using KernelHandle = Unique<KernelTraits>;
using FindHandle = Unique<FindTraits>;
using ModuleHandle = Unique<ModuleTraits>;
using IconHandle = Unique<IconTraits>;
using LocalMemory = Unique<LocalTraits>;
using CoTaskMemory = Unique<CoTaskMemTraits>;

// A counted reference to a COM-style object: released once when it goes out of scope.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes over a reference that the caller already holds.
    static ComPtr Adopt(T* object) noexcept
    {
        ComPtr result;
        result.p_ = object;
        return result;
    }
    // Takes a reference of its own.
    explicit ComPtr(T* object) noexcept : p_(object)
    {
        if (p_)
            p_->AddRef();
    }
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For functions that hand out a reference through an out parameter.
    T** put() noexcept
    {
        reset();
        return &p_;
    }
    // Hands the reference to the caller.
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept
    {
        if (T* old = std::exchange(p_, nullptr))
            old->Release();
    }

private:
    T* p_ = nullptr;
};

// Sets the calling thread's error mode for a scope and restores the previous one at its end.
class ThreadErrorModeScope {
public:
    explicit ThreadErrorModeScope(DWORD mode) noexcept { ::SetThreadErrorMode(mode, &old_); }
    ~ThreadErrorModeScope() { ::SetThreadErrorMode(old_, nullptr); }
    ThreadErrorModeScope(const ThreadErrorModeScope&) = delete;
    ThreadErrorModeScope& operator=(const ThreadErrorModeScope&) = delete;

private:
    DWORD old_ = 0;
};

// Runs a function when the scope ends, however it ends.
template <class Function>
class ScopeExit {
public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit() { function_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Function function_;
};

// A property value that the library filled in; cleared once at the end of the scope.
class PropVariant {
public:
    PropVariant() noexcept { ::PropVariantInit(&value_); }
    ~PropVariant() { SYSTEM_FUNCTION(L"ole32.dll", PropVariantClear)(&value_); }
    PropVariant(const PropVariant&) = delete;
    PropVariant& operator=(const PropVariant&) = delete;

    PROPVARIANT* put() noexcept { return &value_; }
    const PROPVARIANT& get() const noexcept { return value_; }

private:
    PROPVARIANT value_;
};

// A window's device context with one object selected into it, both given back at the end.
class WindowDC {
public:
    WindowDC(HWND window, HGDIOBJ selected) : window_(window), dc_(::GetDC(window))
    {
        old_ = ::SelectObject(dc_, selected);
    }
    ~WindowDC()
    {
        ::SelectObject(dc_, old_);
        ::ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// OLE on the calling thread for a scope (the shell's folder picker needs it).
class OleScope {
public:
    OleScope() : initialised_(SUCCEEDED(SYSTEM_FUNCTION(L"ole32.dll", OleInitialize)(nullptr))) {}
    ~OleScope()
    {
        if (initialised_)
            SYSTEM_FUNCTION(L"ole32.dll", OleUninitialize)();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

private:
    bool initialised_;
};

} // namespace win32
