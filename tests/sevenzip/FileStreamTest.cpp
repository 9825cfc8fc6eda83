#include "sevenzip/FileStream.h"

#include "support/TestFiles.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <gtest/gtest.h>

using namespace sevenzip;
using namespace testing_support;

namespace {

template <class Interface>
win32::ComPtr<Interface> As(IUnknown* object, const GUID& iid)
{
    win32::ComPtr<Interface> result;
    EXPECT_EQ(object->QueryInterface(iid, reinterpret_cast<void**>(result.put())), S_OK);
    return result;
}

TEST(FileStream, ReadsSeeksAndSizesAFile)
{
    ScratchFolder scratch;
    WriteFile(scratch / L"data.bin", "0123456789");
    win32::ComPtr<sevenzip::IInStream> in(new sevenzip::FileStream(fs::ByteStream::OpenRead(scratch / L"data.bin")));

    char buffer[16] = {};
    UINT32 got = 99;
    EXPECT_EQ(in->Read(buffer, 4, &got), S_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");

    UINT64 position = 0;
    EXPECT_EQ(in->Seek(0, 2, &position), S_OK); // from the end
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(in->Read(buffer, 4, &got), S_OK); // at the end
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(in->Seek(-3, 1, &position), S_OK);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(in->Seek(-100, 0, &position), S_OK); // refused: the position stays
    EXPECT_EQ(position, 7u);

    // No out pointers: the work is done all the same.
    EXPECT_EQ(in->Seek(2, 0, nullptr), S_OK);
    EXPECT_EQ(in->Read(buffer, 3, nullptr), S_OK);
    EXPECT_EQ(std::string(buffer, 3), "234");
    auto sized = As<sevenzip::IStreamGetSize>(in.get(), sevenzip::IID_IStreamGetSize);
    UINT64 size = 0;
    EXPECT_EQ(sized->GetSize(&size), S_OK);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(sized->GetSize(nullptr), S_OK);
}

TEST(FileStream, AnswersTheLibrarysStreamInterfaces)
{
    ScratchFolder scratch;
    win32::ComPtr<sevenzip::IOutStream> out(new sevenzip::FileStream(fs::ByteStream::Create(scratch / L"out.bin")));
    for (const GUID& iid : {sevenzip::IID_ISequentialInStream, sevenzip::IID_ISequentialOutStream,
                            sevenzip::IID_IInStream, sevenzip::IID_IOutStream, sevenzip::IID_IStreamGetSize,
                            sevenzip::IID_IOutStreamFlush, IID_IUnknown})
        EXPECT_TRUE(As<IUnknown>(out.get(), iid));
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(out->QueryInterface(sevenzip::IID_IInArchive, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    UINT32 written = 0;
    EXPECT_EQ(out->Write("hello", 5, &written), S_OK);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(out->Write("!", 1, nullptr), S_OK);
    EXPECT_EQ(out->SetSize(3), S_OK);
    EXPECT_EQ(As<sevenzip::IOutStreamFlush>(out.get(), sevenzip::IID_IOutStreamFlush)->Flush(), S_OK);
    out.reset();
    EXPECT_EQ(ReadAll(scratch / L"out.bin"), "hel");
}

TEST(FileStream, ClosesAnOwnedFileAtTheLastReleaseAndLeavesABorrowedOneOpen)
{
    ScratchFolder scratch;
    {
        win32::ComPtr<sevenzip::IOutStream> owned(
            new sevenzip::FileStream(fs::ByteStream::Create(scratch / L"owned.bin")));
        EXPECT_FALSE(::DeleteFileW((scratch / L"owned.bin").c_str()));
    }
    EXPECT_TRUE(::DeleteFileW((scratch / L"owned.bin").c_str()));

    auto mine = fs::ByteStream::Create(scratch / L"mine.bin");
    {
        win32::ComPtr<sevenzip::IOutStream> borrowed(new sevenzip::FileStream(*mine));
        borrowed->Write("abc", 3, nullptr);
    }
    EXPECT_EQ(mine->Write("def", 3), 3u); // still ours, still open
    mine.reset();
    EXPECT_EQ(ReadAll(scratch / L"mine.bin"), "abcdef");
}

TEST(FileStream, KeepsASetSizeFailureForTheCaller)
{
    ScratchFolder scratch;
    WriteFile(scratch / L"read-only.bin", "data");
    auto pending = std::make_shared<PendingError>();
    win32::ComPtr<sevenzip::IOutStream> out(
        new sevenzip::FileStream(fs::ByteStream::OpenRead(scratch / L"read-only.bin"), pending));

    EXPECT_EQ(out->SetSize(1), E_FAIL);
    ASSERT_TRUE(*pending);
    try {
        pending->RaiseIfAny();
        ADD_FAILURE() << "nothing was raised";
    } catch (const win32::Error& e) {
        EXPECT_FALSE(e.message().empty()); // the system's own words for it
    }
}

} // namespace
