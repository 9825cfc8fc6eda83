#include "sevenzip/Stream.h"

#include "sevenzip/QueryTable.h"
#include "win32/Error.h"

T7zStream::T7zStream(std::unique_ptr<ByteStream> owned, SharedPendingError pending)
    : owned_(std::move(owned)), stream_(owned_.get()), pending_(std::move(pending))
{
}

T7zStream::T7zStream(ByteStream& borrowed, SharedPendingError pending) : stream_(&borrowed), pending_(std::move(pending)) {}

T7zStream::~T7zStream() = default;

HRESULT __stdcall T7zStream::QueryInterface(REFIID iid, void** object)
{
    sevenzip::IInStream* in = this;
    sevenzip::IOutStream* out = this;
    return sevenzip::QueryFromTable(iid, object,
                                    {{IID_IUnknown, in},
                                     {sevenzip::IID_IInStream, in},
                                     {sevenzip::IID_ISequentialInStream, in},
                                     {sevenzip::IID_IOutStream, out},
                                     {sevenzip::IID_ISequentialOutStream, out},
                                     {sevenzip::IID_IStreamGetSize, static_cast<sevenzip::IStreamGetSize*>(this)},
                                     {sevenzip::IID_IOutStreamFlush, static_cast<sevenzip::IOutStreamFlush*>(this)}});
}

HRESULT __stdcall T7zStream::Read(void* data, UINT32 size, UINT32* processedSize)
{
    const uint32_t done = stream_->Read(data, size);
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
    return Guarded([&] {
        stream_->WriteAll(data, size);
        if (processedSize)
            *processedSize = size;
        return S_OK;
    });
}

HRESULT __stdcall T7zStream::Seek(INT64 offset, UINT32 origin, UINT64* newPosition)
{
    stream_->Seek(offset, static_cast<ByteStream::Origin>(origin & 0xFF));
    if (newPosition)
        *newPosition = stream_->Position();
    return S_OK;
}

HRESULT __stdcall T7zStream::SetSize(UINT64 newSize)
{
    return Guarded([&] {
        stream_->SetSize(newSize);
        return S_OK;
    });
}

HRESULT __stdcall T7zStream::GetSize(UINT64* size)
{
    if (size)
        *size = stream_->Size();
    return S_OK;
}

HRESULT __stdcall T7zStream::Flush()
{
    return S_OK;
}

template <class Call>
HRESULT T7zStream::Guarded(Call call) noexcept
{
    if (pending_)
        return pending_->Guard(call);
    PendingError dropped; // nobody asked for it: the library's failure code is all there is
    return dropped.Guard(call);
}
