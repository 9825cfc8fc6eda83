// Our declarations of the 7-Zip archive library's COM-style interfaces: what the binding calls
// and what it answers. Every method is __stdcall and returns an HRESULT; slots are in the
// library's order, after IUnknown's three.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <propidl.h>

#include <cstdint>

namespace sevenzip {

// The library's interface ids share one pattern: {23170F69-40C1-278A-0000-00gg00ss0000}.
constexpr GUID LibraryIid(uint8_t group, uint8_t sub)
{
    return GUID{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, sub, 0, 0}};
}

inline constexpr GUID IID_ISequentialInStream = LibraryIid(0x03, 0x01);
inline constexpr GUID IID_ISequentialOutStream = LibraryIid(0x03, 0x02);
inline constexpr GUID IID_IInStream = LibraryIid(0x03, 0x03);
inline constexpr GUID IID_IOutStream = LibraryIid(0x03, 0x04);
inline constexpr GUID IID_IStreamGetSize = LibraryIid(0x03, 0x06);
inline constexpr GUID IID_IOutStreamFlush = LibraryIid(0x03, 0x07);
inline constexpr GUID IID_IProgress = LibraryIid(0x00, 0x05);
inline constexpr GUID IID_ICryptoGetTextPassword = LibraryIid(0x05, 0x10);
inline constexpr GUID IID_IArchiveOpenCallback = LibraryIid(0x06, 0x10);
inline constexpr GUID IID_IArchiveExtractCallback = LibraryIid(0x06, 0x20);
inline constexpr GUID IID_IArchiveOpenVolumeCallback = LibraryIid(0x06, 0x30);
inline constexpr GUID IID_IArchiveOpenSetSubArchiveName = LibraryIid(0x06, 0x50);
inline constexpr GUID IID_IInArchive = LibraryIid(0x06, 0x60);

// The 7z format handler.
inline constexpr GUID CLSID_Format7z = {0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

// Item properties the binding reads.
enum : PROPID { kpidPath = 3, kpidName = 4, kpidIsDir = 6, kpidSize = 7, kpidAttrib = 9, kpidCTime = 10, kpidMTime = 12 };
// Archive properties: where the archive starts in the stream, its size, and what went wrong.
enum : PROPID { kpidOffset = 36, kpidPhySize = 44, kpidErrorFlags = 71, kpidWarningFlags = 72 };
enum : UINT32 { kErrorIsNotArc = 1u << 0, kErrorHeaders = 1u << 1, kErrorUnexpectedEnd = 1u << 5 };

// Per-entry results that the library reports through SetOperationResult.
enum OperationResult : int32_t {
    kResultOk = 0,
    kResultUnsupportedMethod = 1,
    kResultDataError = 2,
    kResultCrcError = 3,
    kResultWrongPassword = 9,
};

// Extract modes of GetStream and PrepareOperation: 0 extracts, anything else tests or skips.
inline constexpr int32_t kAskModeExtract = 0;

struct ISequentialInStream : IUnknown {
    virtual HRESULT __stdcall Read(void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct ISequentialOutStream : IUnknown {
    virtual HRESULT __stdcall Write(const void* data, UINT32 size, UINT32* processedSize) = 0;
};

struct IInStream : ISequentialInStream {
    virtual HRESULT __stdcall Seek(INT64 offset, UINT32 origin, UINT64* newPosition) = 0;
};

struct IOutStream : ISequentialOutStream {
    virtual HRESULT __stdcall Seek(INT64 offset, UINT32 origin, UINT64* newPosition) = 0;
    virtual HRESULT __stdcall SetSize(UINT64 newSize) = 0;
};

struct IStreamGetSize : IUnknown {
    virtual HRESULT __stdcall GetSize(UINT64* size) = 0;
};

struct IOutStreamFlush : IUnknown {
    virtual HRESULT __stdcall Flush() = 0;
};

struct IProgress : IUnknown {
    virtual HRESULT __stdcall SetTotal(UINT64 total) = 0;
    virtual HRESULT __stdcall SetCompleted(const UINT64* completed) = 0;
};

struct ICryptoGetTextPassword : IUnknown {
    virtual HRESULT __stdcall CryptoGetTextPassword(BSTR* password) = 0;
};

struct IArchiveOpenCallback : IUnknown {
    virtual HRESULT __stdcall SetTotal(const UINT64* files, const UINT64* bytes) = 0;
    virtual HRESULT __stdcall SetCompleted(const UINT64* files, const UINT64* bytes) = 0;
};

struct IArchiveExtractCallback : IProgress {
    virtual HRESULT __stdcall GetStream(UINT32 index, ISequentialOutStream** stream, INT32 askMode) = 0;
    virtual HRESULT __stdcall PrepareOperation(INT32 askMode) = 0;
    virtual HRESULT __stdcall SetOperationResult(INT32 result) = 0;
};

struct IArchiveOpenVolumeCallback : IUnknown {
    virtual HRESULT __stdcall GetProperty(PROPID property, PROPVARIANT* value) = 0;
    virtual HRESULT __stdcall GetStream(const wchar_t* name, IInStream** stream) = 0;
};

struct IArchiveOpenSetSubArchiveName : IUnknown {
    virtual HRESULT __stdcall SetSubArchiveName(const wchar_t* name) = 0;
};

struct IInArchive : IUnknown {
    virtual HRESULT __stdcall Open(IInStream* stream, const UINT64* maxCheckStart, IArchiveOpenCallback* callback) = 0;
    virtual HRESULT __stdcall Close() = 0;
    virtual HRESULT __stdcall GetNumberOfItems(UINT32* count) = 0;
    virtual HRESULT __stdcall GetProperty(UINT32 index, PROPID property, PROPVARIANT* value) = 0;
    virtual HRESULT __stdcall Extract(const UINT32* indices, UINT32 count, INT32 testMode,
                                      IArchiveExtractCallback* callback) = 0;
    virtual HRESULT __stdcall GetArchiveProperty(PROPID property, PROPVARIANT* value) = 0;
    virtual HRESULT __stdcall GetNumberOfProperties(UINT32* count) = 0;
    virtual HRESULT __stdcall GetPropertyInfo(UINT32 index, BSTR* name, PROPID* property, VARTYPE* type) = 0;
    virtual HRESULT __stdcall GetNumberOfArchiveProperties(UINT32* count) = 0;
    virtual HRESULT __stdcall GetArchivePropertyInfo(UINT32 index, BSTR* name, PROPID* property, VARTYPE* type) = 0;
};

// The library's two entry points that the binding looks up.
using CreateObjectFunc = HRESULT(__stdcall*)(const GUID* classId, const GUID* interfaceId, void** object);
using GetHandlerPropertyFunc = HRESULT(__stdcall*)(PROPID property, PROPVARIANT* value);

} // namespace sevenzip
