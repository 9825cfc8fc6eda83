#include "sevenzip/Stream.h"

#include "win32/Error.h"

T7zStream::T7zStream(std::unique_ptr<ByteStream> owned, PendingError pending)
    : owned_(std::move(owned)), pStream(owned_.get()), pending_(std::move(pending))
{
}

T7zStream::T7zStream(ByteStream& borrowed, PendingError pending) : pStream(&borrowed), pending_(std::move(pending)) {}

T7zStream::~T7zStream() = default;

HRESULT __stdcall T7zStream::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == sevenzip::IID_IInStream || iid == sevenzip::IID_ISequentialInStream)
        *object = static_cast<sevenzip::IInStream*>(this);
    else if (iid == sevenzip::IID_IOutStream || iid == sevenzip::IID_ISequentialOutStream)
        *object = static_cast<sevenzip::IOutStream*>(this);
    else if (iid == sevenzip::IID_IStreamGetSize)
        *object = static_cast<sevenzip::IStreamGetSize*>(this);
    else if (iid == sevenzip::IID_IOutStreamFlush)
        *object = static_cast<sevenzip::IOutStreamFlush*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT __stdcall T7zStream::Read(void* data, UINT32 size, UINT32* processedSize)
{
    const uint32_t done = pStream->Read(data, size);
    if (processedSize)
        *processedSize = done;
    return S_OK;
}

// A write that cannot be done whole is an error with the file's name and the system's reason,
// kept for the caller; the library hears E_FAIL and stops.
HRESULT __stdcall T7zStream::Write(const void* data, UINT32 size, UINT32* processedSize)
{
    if (processedSize)
        *processedSize = 0;
    try {
        pStream->WriteAll(data, size);
    } catch (...) {
        if (pending_ && !*pending_)
            *pending_ = std::current_exception();
        return E_FAIL;
    }
    if (processedSize)
        *processedSize = size;
    return S_OK;
}

HRESULT __stdcall T7zStream::Seek(INT64 offset, UINT32 origin, UINT64* newPosition)
{
    pStream->Seek(offset, static_cast<ByteStream::Origin>(origin & 0xFF));
    if (newPosition)
        *newPosition = pStream->Position();
    return S_OK;
}

HRESULT __stdcall T7zStream::SetSize(UINT64 newSize)
{
    try {
        pStream->SetSize(newSize);
        return S_OK;
    } catch (...) {
        if (pending_ && !*pending_)
            *pending_ = std::current_exception();
        return E_FAIL;
    }
}

HRESULT __stdcall T7zStream::GetSize(UINT64* size)
{
    if (size)
        *size = pStream->Size();
    return S_OK;
}

HRESULT __stdcall T7zStream::Flush()
{
    return S_OK;
}
