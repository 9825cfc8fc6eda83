#include "sevenzip/FileStream.h"

#include "sevenzip/QueryTable.h"
#include "win32/Error.h"

namespace sevenzip {

FileStream::FileStream(std::unique_ptr<fs::ByteStream> owned, SharedPendingError pending)
    : owned_(std::move(owned)), stream_(owned_.get()), pending_(std::move(pending))
{
}

FileStream::FileStream(fs::ByteStream& borrowed, SharedPendingError pending)
    : stream_(&borrowed), pending_(std::move(pending))
{
}

FileStream::~FileStream() = default;

HRESULT __stdcall FileStream::QueryInterface(REFIID iid, void** object)
{
    IInStream* in = this;
    IOutStream* out = this;
    return QueryFromTable(iid, object,
                                    {{IID_IUnknown, in},
                                     {IID_IInStream, in},
                                     {IID_ISequentialInStream, in},
                                     {IID_IOutStream, out},
                                     {IID_ISequentialOutStream, out},
                                     {IID_IStreamGetSize, static_cast<IStreamGetSize*>(this)},
                                     {IID_IOutStreamFlush, static_cast<IOutStreamFlush*>(this)}});
}

HRESULT __stdcall FileStream::Read(void* data, UINT32 size, UINT32* processedSize)
{
    const uint32_t done = stream_->Read(data, size);
    if (processedSize)
        *processedSize = done;
    return S_OK;
}

// A write that cannot be done whole is an error with the file's name and the system's reason,
// kept for the caller; the library hears E_FAIL and stops.
HRESULT __stdcall FileStream::Write(const void* data, UINT32 size, UINT32* processedSize)
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

HRESULT __stdcall FileStream::Seek(INT64 offset, UINT32 origin, UINT64* newPosition)
{
    stream_->Seek(offset, static_cast<fs::ByteStream::Origin>(origin & 0xFF));
    if (newPosition)
        *newPosition = stream_->Position();
    return S_OK;
}

HRESULT __stdcall FileStream::SetSize(UINT64 newSize)
{
    return Guarded([&] {
        stream_->SetSize(newSize);
        return S_OK;
    });
}

HRESULT __stdcall FileStream::GetSize(UINT64* size)
{
    if (size)
        *size = stream_->Size();
    return S_OK;
}

HRESULT __stdcall FileStream::Flush()
{
    return S_OK;
}

template <class Call>
HRESULT FileStream::Guarded(Call call) noexcept
{
    if (pending_)
        return pending_->Guard(call);
    PendingError dropped; // nobody asked for it: the library's failure code is all there is
    return dropped.Guard(call);
}

} // namespace sevenzip
