#include "sevenzip/ArchiveReader.h"

#include "support/Library.h"
#include "win32/Error.h"

#include <gtest/gtest.h>

using namespace sevenzip;
using namespace testing_support;

namespace {

std::wstring ErrorOf(const std::wstring& libraryPath, const GUID& classId = sevenzip::CLSID_Format7z)
{
    return MessageOf([&] { sevenzip::ArchiveReader reader(libraryPath, classId); });
}

TEST(ArchiveReader, RefusesWhatIsNoLibrary)
{
    ScratchFolder scratch;
    const std::wstring notAModule = TestArchive("not-an-archive.bin");
    const std::wstring missing = scratch / L"missing.dll";
    EXPECT_EQ(ErrorOf(notAModule), L"Error loading library " + notAModule);
    EXPECT_EQ(ErrorOf(missing), L"Error loading library " + missing);
}

TEST(ArchiveReader, RefusesAModuleWithoutTheEntryPointsAndUnloadsItOnce)
{
    const struct {
        const char* module;
        const wchar_t* complaint;
    } cases[] = {
        {"tests/no_create_object.dll", L" is not a 7z library"},
        {"tests/no_handler_property.dll", L" is not a Format library"},
    };
    for (const auto& c : cases) {
        const std::wstring path = BuildFile(c.module);
        // Hold the module ourselves: a second unload by the binding would take it from us.
        win32::ModuleHandle ours(::LoadLibraryW(path.c_str()));
        ASSERT_TRUE(ours) << c.module;

        EXPECT_EQ(ErrorOf(path), path + c.complaint);

        EXPECT_EQ(::GetModuleHandleW(path.c_str()), ours.get()) << c.module << " unloaded twice";
        ours.reset();
        EXPECT_EQ(::GetModuleHandleW(path.c_str()), nullptr) << c.module << " left loaded";
    }
}

TEST(ArchiveReader, MakesTheHandlerOnlyAtTheFirstOpen)
{
    ScratchFolder scratch;
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    auto reader = std::make_unique<sevenzip::ArchiveReader>(CopyLibrary(scratch), unknown);
    try {
        reader->OpenArchiveFile(TestArchive("plain.7z"));
        FAIL() << "an unknown format opened";
    } catch (const win32::Error& e) {
        EXPECT_EQ(e.message(), ResultText(CLASS_E_CLASSNOTAVAILABLE));
    }
}

TEST(CheckResult, RaisesTheSystemsTextForEveryCodeButZero)
{
    EXPECT_NO_THROW(CheckResult(S_OK));
    for (HRESULT code : {S_FALSE, E_ABORT, E_FAIL, static_cast<HRESULT>(0x80070005)}) {
        try {
            CheckResult(code);
            ADD_FAILURE() << std::hex << code << " passed";
        } catch (const win32::Error& e) {
            EXPECT_EQ(e.message(), ResultText(code));
        }
    }
    // No trailing full stop or line break; a code the system does not know has no text.
    const std::wstring denied = ResultText(static_cast<HRESULT>(0x80070005));
    ASSERT_FALSE(denied.empty());
    EXPECT_NE(denied.back(), L'.');
    EXPECT_GE(denied.back(), L'!');
    EXPECT_EQ(ResultText(static_cast<HRESULT>(0x8FFF1234)), L"");
}

TEST(ReaderLifetime, LetsGoOfTheArchiveAndTheModuleAtTheLastRelease)
{
    ScratchFolder scratch;
    const std::wstring library = CopyLibrary(scratch);
    const std::wstring archive = scratch / L"copy.7z";
    ASSERT_TRUE(::CopyFileW(TestArchive("plain.7z").c_str(), archive.c_str(), FALSE));
    {
        auto reader = std::make_unique<sevenzip::ArchiveReader>(library);
        reader->OpenArchiveFile(archive);
        ASSERT_GT(reader->ItemCount(), 0u);
        EXPECT_FALSE(::DeleteFileW(archive.c_str())); // held open while the archive is
    }
    EXPECT_TRUE(::DeleteFileW(archive.c_str()));
    EXPECT_TRUE(::DeleteFileW(library.c_str()));
}

} // namespace
