// The library's view of a ByteStream: readable and seekable for the archive, writable for the
// entries it extracts.
#pragma once

#include "fs/ByteStream.h"
#include "sevenzip/Interfaces.h"
#include "sevenzip/PendingError.h"
#include "sevenzip/RefCounted.h"

#include <memory>

namespace sevenzip {

class FileStream : public IInStream,
                  public IOutStream,
                  public IStreamGetSize,
                  public IOutStreamFlush,
                  protected RefCounted {
public:
    // An owned stream is freed (its file closed) when the library lets go of the adapter.
    FileStream(std::unique_ptr<fs::ByteStream> owned, SharedPendingError pending = nullptr);
    FileStream(fs::ByteStream& borrowed, SharedPendingError pending = nullptr);
    ~FileStream() override;

    HRESULT __stdcall QueryInterface(REFIID iid, void** object) override;
    SEVENZIP_COUNTED_OBJECT

    HRESULT __stdcall Read(void* data, UINT32 size, UINT32* processedSize) override;
    HRESULT __stdcall Write(const void* data, UINT32 size, UINT32* processedSize) override;
    HRESULT __stdcall Seek(INT64 offset, UINT32 origin, UINT64* newPosition) override;
    HRESULT __stdcall SetSize(UINT64 newSize) override;
    HRESULT __stdcall GetSize(UINT64* size) override;
    HRESULT __stdcall Flush() override;

private:
    // Runs call; an error it raises goes to pending_ and answers E_FAIL.
    template <class Call>
    HRESULT Guarded(Call call) noexcept;

    std::unique_ptr<fs::ByteStream> owned_; // when the adapter owns its stream
    fs::ByteStream* stream_;                // the stream in use: owned_, or the caller's
    SharedPendingError pending_; // where a failed write or resize is kept for the reader
};

} // namespace sevenzip
