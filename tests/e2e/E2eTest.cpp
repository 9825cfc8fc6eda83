// End to end: real packages, started under Wine on a display, operated through their windows.
#include "Driver.h"

#include "fs/FileOps.h"
#include "support/TestFiles.h"
#include "ui/WindowClasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

namespace window_class = ui::window_class;
using namespace testing_support;
using e2e::Child;
using e2e::Click;
using e2e::TextOf;
using e2e::Type;

namespace {

// A file somewhere below folder that matches; empty when none is there.
std::filesystem::path FindBelow(const std::wstring& folder, const std::function<bool(const std::filesystem::path&)>& matches)
{
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (matches(it->path()))
            return it->path();
    return {};
}

std::filesystem::path FindBelow(const std::wstring& folder, const std::wstring& name)
{
    return FindBelow(folder, [&](const std::filesystem::path& path) { return path.filename() == name; });
}

// The size of a file called name somewhere below folder, without reading it; 0 when none is there.
uint64_t SizeOfFileBelow(const std::wstring& folder, const std::wstring& name)
{
    std::error_code error;
    const std::filesystem::path found = FindBelow(folder, name);
    const auto size = found.empty() ? 0 : std::filesystem::file_size(found, error);
    return error ? 0 : size;
}

// How a package is started, besides the defaults.
struct RunOptions {
    std::vector<std::wstring> environment = {}; // variables added to its environment ("NAME=value")
    std::wstring currentFolder = {};            // the folder it starts in; the test's when empty
    std::vector<std::wstring> planted = {};     // DLL names put beside the package before it starts
    std::wstring sharedTemp = {};               // another run's temporary folder instead of one of its own
};

// A package copied into a folder of the test's own as Report.exe, run with a temporary folder of
// its own, so that anything it leaves behind shows.
class PackageRun {
public:
    explicit PackageRun(const std::string& package, RunOptions options = {}) : sharedTemp_(options.sharedTemp)
    {
        for (const auto& dll : options.planted)
            ::CopyFileW(BuildFile("tests/fake_dll.dll").c_str(), (scratch / dll).c_str(), FALSE);
        if (!::CopyFileW(BuildFile("test-packages/" + package).c_str(), program().c_str(), FALSE))
            throw std::runtime_error("cannot copy the package (error " + std::to_string(::GetLastError()) + ")");
        ::CreateDirectoryW(temp().c_str(), nullptr);
        ::CreateDirectoryW(out().c_str(), nullptr);
        options.environment.push_back(L"TMP=" + temp());
        options.environment.push_back(L"TEMP=" + temp());
        app = std::make_unique<e2e::Package>(program(), options.environment, options.currentFolder);
    }

    std::wstring program() const { return scratch / L"Report.exe"; }
    std::wstring temp() const { return sharedTemp_.empty() ? scratch / L"temp" : sharedTemp_; }
    std::wstring out() const { return scratch / L"out"; }
    std::wstring target() const { return out() + L"\\Report\\"; }
    bool TempIsEmpty() const { return FilesBelow(temp() + L"\\").empty() && FoldersBelow(temp() + L"\\").empty(); }

    // Answers the folder dialog with folder, then the password dialog with password.
    void AnswerFolder(const std::wstring& folder)
    {
        HWND dialog = app->WaitForWindow(window_class::kFolder);
        ASSERT_TRUE(dialog);
        Type(Child(dialog, L"Edit"), folder);
        Click(Child(dialog, L"Button", L"OK"));
    }
    void AnswerPassword(const std::wstring& password)
    {
        HWND dialog = app->WaitForWindow(window_class::kPassword);
        ASSERT_TRUE(dialog);
        Type(Child(dialog, L"Edit"), password);
        Click(Child(dialog, L"Button", L"OK"));
    }
    // Answers both dialogs with the output folder and password; the main window that shows the job.
    HWND StartJob(const std::wstring& password)
    {
        AnswerFolder(out());
        AnswerPassword(password);
        return app->WaitForWindow(window_class::kProgress);
    }
    // The message box that comes next: its text, after pressing button (IDOK, IDCANCEL).
    std::wstring AnswerMessageBox(int button = IDOK)
    {
        HWND box = app->WaitForMessageBox();
        if (!box)
            return L"<no message box>";
        const std::wstring text = e2e::MessageBoxText(box);
        Click(::GetDlgItem(box, button));
        e2e::WaitUntil([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }, 5000);
        return text;
    }

    ScratchFolder scratch;
    std::unique_ptr<e2e::Package> app;

private:
    std::wstring sharedTemp_; // another run's temporary folder, when given
};

TEST(EndToEnd, UnpacksIntoAFolderNamedAfterThePackage)
{
    PackageRun run("good.exe");
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(FilesBelow(run.target()), InputFiles());
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, CancellingTheFolderDialogEndsTheProgram)
{
    PackageRun run("good.exe");
    HWND dialog = run.app->WaitForWindow(window_class::kFolder);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(TextOf(Child(dialog, L"Edit")), run.scratch.path()); // the program's own folder
    Click(Child(dialog, L"Button", L"Cancel"));
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_FALSE(run.app->FindWindowOf(window_class::kPassword));
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, ABlankFolderIsReportedAndTheProgramWaitsToBeClosed)
{
    PackageRun run("good.exe");
    run.AnswerFolder(L"   ");
    EXPECT_EQ(run.AnswerMessageBox(), L"Specify a location for extracted files.");
    ::Sleep(500);
    EXPECT_TRUE(run.app->Running());
    EXPECT_FALSE(run.app->FindWindowOf(window_class::kPassword));
    ::PostMessageW(run.app->FindWindowOf(window_class::kProgress), WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_TRUE(run.TempIsEmpty());
}

// The texts a person reads, in each system language the tests run in (tests/CMakeLists.txt runs
// this suite once with German, once with Japanese as the system's language).
struct SystemLanguageTexts {
    LANGID primary;
    const wchar_t* folderTitle;
    const wchar_t* wrongPassword;
    const wchar_t* damaged; // the end's warning and the program's own reason
};

const SystemLanguageTexts* TextsOfTheSystemLanguage()
{
    static const SystemLanguageTexts table[] = {
        {LANG_GERMAN, L"Entpacken", L"Die Passwörter stimmen nicht überein.",
         L"Die Dateien konnten nicht entpackt werden.\r\n\r\nDas Paket ist beschädigt oder unvollständig."},
        {LANG_JAPANESE, L"解凍", L"パスワードが一致していません",
         L"ファイルを解凍できませんでした。\r\n\r\nパッケージが破損しているか、不完全です。"},
    };
    for (const auto& texts : table)
        if (PRIMARYLANGID(::GetSystemDefaultLangID()) == texts.primary)
            return &texts;
    return nullptr;
}

TEST(EndToEndInTheSystemsLanguage, AWrongPasswordIsReportedInIt)
{
    const SystemLanguageTexts* texts = TextsOfTheSystemLanguage();
    ASSERT_TRUE(texts) << "the system's language is not one this suite knows";
    PackageRun run("good.exe");
    HWND dialog = run.app->WaitForWindow(window_class::kFolder);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(TextOf(dialog), texts->folderTitle);
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"falsch");
    EXPECT_EQ(run.AnswerMessageBox(), texts->wrongPassword);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_FALSE(Exists(run.target()));
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEndInTheSystemsLanguage, ADamagedPackageIsReportedInItWithTheProgramsOwnReason)
{
    const SystemLanguageTexts* texts = TextsOfTheSystemLanguage();
    ASSERT_TRUE(texts) << "the system's language is not one this suite knows";
    PackageRun run("truncated.exe");
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    EXPECT_EQ(run.AnswerMessageBox(), texts->damaged);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, ATargetThatCannotBeCreatedIsReportedWithTheTypedFolder)
{
    PackageRun run("good.exe");
    WriteFile(run.scratch / L"a-file");
    const std::wstring typed = run.scratch / L"a-file\\below";
    run.AnswerFolder(typed);
    run.AnswerPassword(L"secret");
    EXPECT_EQ(run.AnswerMessageBox(), L"Cannot create folder '' " + typed);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, ADamagedPackageSaysWhyTheFilesCouldNotBeExtracted)
{
    PackageRun run("flipped.exe");
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    const std::wstring text = run.AnswerMessageBox();
    EXPECT_EQ(text.rfind(L"The files could not be extracted.\r\n\r\n", 0), 0u) << testing::PrintToString(text);
    EXPECT_NE(text.find(L"data.bin"), std::wstring::npos) << testing::PrintToString(text);
    // What came out stays, and the person is told so, and what did not.
    const size_t whole = FilesBelow(run.target()).size();
    EXPECT_GT(whole, 0u);
    EXPECT_NE(text.find(L"\r\n\r\nFiles extracted whole and kept in the folder: " + std::to_wstring(whole) +
                        L"\r\nNot extracted:\r\ndocs\\nested\\deeper\\data.bin"),
              std::wstring::npos)
        << testing::PrintToString(text);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, ClashesAreAnsweredThroughTheOverwriteDialog)
{
    // An empty answer closes the dialog with its close box, which replaces like Yes and asks again.
    for (const wchar_t* answer : {L"Yes to All", L"Auto Rename", L""}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(answer)));
        PackageRun run("good.exe");
        ::CreateDirectoryW(run.target().c_str(), nullptr);
        ::CreateDirectoryW((run.target() + L"clash").c_str(), nullptr);
        for (const wchar_t* name : {L"c1.txt", L"c2.txt", L"c3.txt", L"c4.txt"})
            WriteFile(run.target() + L"clash\\" + name, "old!");
        run.AnswerFolder(run.out());
        run.AnswerPassword(L"secret");

        HWND dialog = run.app->WaitForWindow(window_class::kOverwrite);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(TextOf(dialog), L"Confirm File Replace");
        EXPECT_TRUE(Child(dialog, L"Static", L"4 bytes"));
        EXPECT_TRUE(Child(dialog, L"Static", run.target() + L"clash\\c1.txt"));
        int questions = 0;
        if (*answer) {
            Click(Child(dialog, L"Button", answer));
            questions = 1;
        } else {
            for (; dialog; dialog = run.app->WaitForWindow(window_class::kOverwrite, 3000)) {
                ::PostMessageW(dialog, WM_CLOSE, 0, 0);
                ++questions;
                e2e::WaitUntil([&] { return !::IsWindow(dialog); }, 5000);
            }
        }
        ASSERT_TRUE(run.app->WaitForExit());

        for (int n = 1; n <= 4; ++n) {
            const std::wstring name = run.target() + L"clash\\c" + std::to_wstring(n);
            const std::string fresh = "new " + std::to_string(n) + "\n";
            if (std::wstring(answer) == L"Auto Rename") {
                EXPECT_EQ(ReadAll(name + L".txt"), "old!");
                EXPECT_EQ(ReadAll(name + L"(1).txt"), fresh);
            } else {
                EXPECT_EQ(ReadAll(name + L".txt"), fresh);
            }
        }
        EXPECT_EQ(questions, *answer ? 1 : 4);
        EXPECT_TRUE(run.TempIsEmpty());
    }
}

// The keyboard alone runs the whole program, as the windows define it (no default or cancel
// button): Tab moves the focus, typing fills the focused field, Space presses the focused button,
// and an access key answers the clash. Nothing is clicked.
TEST(EndToEnd, TheKeyboardAloneRunsTheWholeProgram)
{
    PackageRun run("good.exe");
    ::CreateDirectoryW(run.target().c_str(), nullptr);
    ::CreateDirectoryW((run.target() + L"clash").c_str(), nullptr);
    for (const wchar_t* name : {L"c1.txt", L"c2.txt", L"c3.txt", L"c4.txt"})
        WriteFile(run.target() + L"clash\\" + name, "old!");

    HWND folder = run.app->WaitForWindow(window_class::kFolder);
    ASSERT_TRUE(folder);
    HWND folderEdit = Child(folder, L"Edit");
    ASSERT_TRUE(e2e::TabTo(folder, folderEdit)); // its text is selected: typing replaces it
    e2e::TypeKeys(folder, run.out());
    ASSERT_TRUE(e2e::WaitUntil([&] { return TextOf(folderEdit) == run.out(); }, 5000)) << TextOf(folderEdit);
    ASSERT_TRUE(e2e::TabTo(folder, Child(folder, L"Button", L"OK")));
    e2e::PressKey(folder, VK_SPACE);

    HWND password = run.app->WaitForWindow(window_class::kPassword);
    ASSERT_TRUE(password);
    HWND passwordEdit = Child(password, L"Edit");
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::FocusOf(password) == passwordEdit; }, 5000)); // where it starts
    e2e::TypeKeys(password, L"secret");
    ASSERT_TRUE(e2e::TabTo(password, Child(password, L"Button", L"OK")));
    e2e::PressKey(password, VK_SPACE);

    HWND overwrite = run.app->WaitForWindow(window_class::kOverwrite);
    ASSERT_TRUE(overwrite);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::FocusOf(overwrite) != nullptr; }, 5000));
    e2e::PressAccessKey(overwrite, L'a'); // "Yes to &All"
    ASSERT_TRUE(run.app->WaitForExit());

    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(ReadAll(run.target() + L"clash\\c" + std::to_wstring(n) + L".txt"), "new " + std::to_string(n) + "\n");
    EXPECT_EQ(ReadAll(run.target() + L"one.txt"), "x");
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, PauseHoldsTheJobAndTheClockUntilContinue)
{
    PackageRun run("big.exe");
    HWND main = run.StartJob(L"secret");
    ASSERT_TRUE(main);
    HWND pause = Child(main, L"Button", L"Pause");
    ASSERT_TRUE(pause);
    // Each figure is the label that follows its caption. The job is under way once it has shown
    // the size it stages: only then does a pause hold something.
    HWND totalSize = ::GetWindow(Child(main, L"Static", L"Total size:"), GW_HWNDNEXT);
    HWND elapsed = ::GetWindow(Child(main, L"Static", L"Elapsed time:"), GW_HWNDNEXT);
    HWND percent = ::GetWindow(Child(main, L"msctls_progress32"), GW_HWNDNEXT);
    ASSERT_TRUE(totalSize && elapsed && percent);
    ASSERT_TRUE(e2e::WaitUntil([&] { return TextOf(totalSize) != L"00:00:00"; }));
    Click(pause);
    ASSERT_TRUE(e2e::WaitUntil([&] { return TextOf(pause) == L"&Continue"; }));
    const auto filesWhenPaused = FilesBelow(run.target()).size();
    EXPECT_TRUE(::IsWindowVisible(elapsed));
    const std::wstring clock = TextOf(elapsed), shown = TextOf(percent);
    ::Sleep(2500); // two ticks of the clock: what runs would show by then
    EXPECT_EQ(FilesBelow(run.target()).size(), filesWhenPaused);
    EXPECT_EQ(TextOf(elapsed), clock);
    EXPECT_EQ(TextOf(percent), shown);
    EXPECT_TRUE(run.app->Running());
    Click(pause);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(FilesBelow(run.target()).size(), 12u);
    EXPECT_TRUE(run.TempIsEmpty());
}

TEST(EndToEnd, ACancelledJobClosesWithoutAMessage)
{
    PackageRun run("big.exe");
    HWND main = run.StartJob(L"secret");
    ASSERT_TRUE(main);
    Click(Child(main, L"Button", L"Cancel"));
    EXPECT_EQ(run.AnswerMessageBox(IDOK), L"Are you sure you want to cancel?");
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_TRUE(run.TempIsEmpty());
}

// Between the job's end and its message the last figures stay in view for a second: the window
// answers all the while, within half a second each time.
TEST(EndToEnd, TheWindowAnswersWhileTheLastFiguresStayInView)
{
    PackageRun run("good.exe");
    HWND main = run.StartJob(L"wrong");
    ASSERT_TRUE(main);
    // Seen once the job starts (till then it is a layered window, wholly transparent).
    ASSERT_TRUE(e2e::WaitUntil([&] { return !(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_LAYERED); }));
    std::vector<ULONGLONG> unanswered;
    const ULONGLONG start = ::GetTickCount64();
    const bool boxShown = e2e::WaitUntil([&] {
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) && ::IsWindow(main))
            unanswered.push_back(::GetTickCount64() - start);
        return run.app->FindWindowOf(L"#32770") != nullptr;
    });
    ASSERT_TRUE(boxShown);
    EXPECT_EQ(unanswered, std::vector<ULONGLONG>{});
    EXPECT_EQ(run.AnswerMessageBox(), L"Passwords do not match");
    ASSERT_TRUE(run.app->WaitForExit());
}

// The job ends (the wrong password shows once the large package is staged) while the close
// question is open: its warning comes over the question, and the program ends once the question
// is answered, cleanly.
TEST(EndToEnd, TheJobEndingWhileTheCloseQuestionIsOpenEndsCleanly)
{
    PackageRun run("huge.exe");
    HWND main = run.StartJob(L"wrong");
    ASSERT_TRUE(main);
    Click(Child(main, L"Button", L"Cancel"));
    HWND question = run.app->WaitForMessageBoxSaying(L"Are you sure you want to cancel?");
    ASSERT_TRUE(question);
    HWND warning = run.app->WaitForMessageBoxSaying(L"Passwords do not match");
    ASSERT_TRUE(warning);
    Click(::GetDlgItem(warning, IDOK));
    e2e::WaitUntil([&] { return !::IsWindow(warning) || !::IsWindowVisible(warning); }, 5000);
    ::Sleep(500);
    EXPECT_TRUE(run.app->Running()); // the close waits for the open question
    ASSERT_TRUE(::IsWindow(question));
    Click(::GetDlgItem(question, IDOK));
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(run.app->ExitCode(), 0u);
    EXPECT_TRUE(run.TempIsEmpty());
}

// Confirmed while the quarter-gigabyte archive is still being staged: the program waits for the
// worker to let go of its files, however long that takes, and leaves nothing.
TEST(EndToEnd, ACloseConfirmedDuringStagingEndsAndLeavesNothing)
{
    PackageRun run("huge.exe");
    HWND main = run.StartJob(L"secret");
    ASSERT_TRUE(main);
    Click(Child(main, L"Button", L"Pause")); // holds the worker between two staging blocks
    Click(Child(main, L"Button", L"Cancel"));
    EXPECT_EQ(run.AnswerMessageBox(IDOK), L"Are you sure you want to cancel?");
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(run.app->ExitCode(), 0u);
    EXPECT_TRUE(run.TempIsEmpty());
    EXPECT_TRUE(FilesBelow(run.out() + L"\\").empty());
}

// A clash asked about while the main window is minimised, or hidden in background mode, comes up
// on the screen; answering it finishes the job.
TEST(EndToEnd, AClashQuestionIsSeenWhileTheWindowIsMinimisedOrInTheBackground)
{
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "background" : "minimised");
        PackageRun run("huge.exe");
        ::CreateDirectoryW(run.target().c_str(), nullptr);
        WriteFile(run.target() + L"huge.bin", "old");
        HWND main = run.StartJob(L"secret");
        ASSERT_TRUE(main);
        if (background)
            Click(Child(main, L"Button", L"Background"));
        else
            ::ShowWindow(main, SW_MINIMIZE);
        ASSERT_TRUE(e2e::WaitUntil([&] { return background ? !::IsWindowVisible(main) : ::IsIconic(main) != FALSE; }));

        HWND dialog = run.app->WaitForWindow(window_class::kOverwrite, 120000);
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(e2e::OnTheWorkArea(dialog));
        Click(Child(dialog, L"Button", L"Yes"));
        ASSERT_TRUE(run.app->WaitForExit(120000));
        WIN32_FILE_ATTRIBUTE_DATA placed{};
        ::GetFileAttributesExW((run.target() + L"huge.bin").c_str(), GetFileExInfoStandard, &placed);
        EXPECT_EQ(placed.nFileSizeLow, 268435456u); // replaced by the archive's
        EXPECT_EQ(placed.nFileSizeHigh, 0u);
        EXPECT_TRUE(run.TempIsEmpty());
    }
}

// Windows hides the windows a window owns when it is minimised from its taskbar button (Wine keeps
// them): done here as Windows does it. A hidden question is no answer: it waits, unseen, and comes
// back in front when the main window is restored.
TEST(EndToEnd, AQuestionHiddenWithItsOwnerWaitsForItsAnswer)
{
    for (const wchar_t* question : {window_class::kFolder, window_class::kPassword, window_class::kOverwrite}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(question)));
        PackageRun run("good.exe");
        ::CreateDirectoryW(run.target().c_str(), nullptr);
        WriteFile(run.target() + L"one.txt", "old!");
        if (std::wstring(question) != window_class::kFolder)
            run.AnswerFolder(run.out());
        if (std::wstring(question) == window_class::kOverwrite)
            run.AnswerPassword(L"secret");
        HWND dialog = run.app->WaitForWindow(question);
        ASSERT_TRUE(dialog);
        HWND main = run.app->FindWindowOf(window_class::kProgress);
        ::ShowWindow(main, SW_MINIMIZE);
        ::ShowOwnedPopups(main, FALSE);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(dialog); }));
        ::Sleep(1000);
        ASSERT_TRUE(run.app->Running());
        ASSERT_TRUE(::IsWindow(dialog));
        EXPECT_EQ(ReadAll(run.target() + L"one.txt"), "old!");

        ::ShowWindow(main, SW_RESTORE);
        ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(dialog) != FALSE; }));
        if (std::wstring(question) == window_class::kFolder)
            run.AnswerFolder(run.out());
        if (std::wstring(question) != window_class::kOverwrite)
            run.AnswerPassword(L"secret");
        HWND clash = run.app->WaitForWindow(window_class::kOverwrite);
        ASSERT_TRUE(clash);
        Click(Child(clash, L"Button", L"No"));
        ASSERT_TRUE(run.app->WaitForExit());
        EXPECT_EQ(ReadAll(run.target() + L"one.txt"), "old!");
        EXPECT_EQ(ReadAll(run.target() + L"zero.txt"), "");
        EXPECT_TRUE(run.TempIsEmpty());
    }
}

TEST(EndToEnd, BackgroundModeHidesTheWindowUntilTheTrayIconIsClicked)
{
    PackageRun run("big.exe");
    HWND main = run.StartJob(L"secret");
    ASSERT_TRUE(main);
    Click(Child(main, L"Button", L"Pause")); // keep the job from ending meanwhile
    Click(Child(main, L"Button", L"Background"));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }));
    // The notification area reports a click on the icon with the icon's callback message.
    ::PostMessageW(main, WM_APP + 1, 1, WM_LBUTTONUP);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(main) != FALSE; }));
    Click(Child(main, L"Button", L"Continue"));
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(FilesBelow(run.target()).size(), 12u);
}

// Closing the main window (from its taskbar button, say) while the overwrite question is open asks
// whether to cancel; a yes answers the open question Cancel and the program ends.
TEST(EndToEnd, ACloseConfirmedWhileTheOverwriteQuestionIsOpenEndsTheProgram)
{
    PackageRun run("good.exe");
    ::CreateDirectoryW(run.target().c_str(), nullptr);
    WriteFile(run.target() + L"one.txt", "old!");
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    ASSERT_TRUE(run.app->WaitForWindow(window_class::kOverwrite));
    ::PostMessageW(run.app->FindWindowOf(window_class::kProgress), WM_CLOSE, 0, 0);
    EXPECT_EQ(run.AnswerMessageBox(IDOK), L"Are you sure you want to cancel?");
    ASSERT_TRUE(run.app->WaitForExit(10000));
    EXPECT_EQ(run.app->ExitCode(), 0u);
    EXPECT_EQ(ReadAll(run.target() + L"one.txt"), "old!");
    EXPECT_TRUE(run.TempIsEmpty());
}

// The close question is open when the job meets a clash: the clash question does not come over
// it. A yes to the close answers the clash Cancel unseen; a no lets the clash question show.
TEST(EndToEnd, AClashQuestionWaitsForTheCloseQuestion)
{
    for (const bool confirmed : {true, false}) {
        SCOPED_TRACE(confirmed ? "cancel confirmed" : "cancel declined");
        PackageRun run("huge.exe");
        ::CreateDirectoryW(run.target().c_str(), nullptr);
        WriteFile(run.target() + L"huge.bin", "old");
        HWND main = run.StartJob(L"secret");
        ASSERT_TRUE(main);
        Click(Child(main, L"Button", L"Cancel"));
        HWND question = run.app->WaitForMessageBoxSaying(L"Are you sure you want to cancel?");
        ASSERT_TRUE(question);
        // The job goes on meanwhile: the whole file staged in a scratch folder, then the clash.
        const auto staged = [](const std::filesystem::path& path) {
            std::error_code error;
            return std::filesystem::file_size(path, error) == 268435456u && !error;
        };
        ASSERT_TRUE(e2e::WaitUntil([&] { return !FindBelow(run.temp(), staged).empty(); }, 120000));
        EXPECT_FALSE(e2e::WaitUntil([&] { return run.app->FindWindowOf(window_class::kOverwrite) != nullptr; }, 6000));
        Click(::GetDlgItem(question, confirmed ? IDOK : IDCANCEL));
        if (!confirmed) {
            HWND clash = run.app->WaitForWindow(window_class::kOverwrite);
            ASSERT_TRUE(clash);
            Click(Child(clash, L"Button", L"No"));
        }
        ASSERT_TRUE(run.app->WaitForExit());
        EXPECT_EQ(run.app->ExitCode(), 0u);
        EXPECT_EQ(ReadAll(run.target() + L"huge.bin"), "old");
        EXPECT_TRUE(run.TempIsEmpty());
    }
}

// A close before the job starts (from the taskbar button while a dialog is open) ends the program
// there and then: no question, no job.
TEST(EndToEnd, ACloseDuringTheFolderOrPasswordDialogEndsTheProgram)
{
    for (const wchar_t* dialog : {window_class::kFolder, window_class::kPassword}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(dialog)));
        PackageRun run("good.exe");
        if (std::wstring(dialog) == window_class::kPassword)
            run.AnswerFolder(run.out());
        ASSERT_TRUE(run.app->WaitForWindow(dialog));
        ::PostMessageW(run.app->FindWindowOf(window_class::kProgress), WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.app->WaitForExit(10000));
        EXPECT_EQ(run.app->ExitCode(), 0u);
        EXPECT_FALSE(Exists(run.target()));
        EXPECT_TRUE(run.TempIsEmpty());
    }
}

// Two entries whose names differ only in case are one name on Windows: the later one is a clash,
// and Auto Rename keeps both.
TEST(EndToEnd, EntriesThatLandOnOneNameAreAskedAbout)
{
    PackageRun run("case.exe");
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    HWND dialog = run.app->WaitForWindow(window_class::kOverwrite);
    ASSERT_TRUE(dialog);
    Click(Child(dialog, L"Button", L"Auto Rename"));
    ASSERT_TRUE(run.app->WaitForExit());
    const std::map<std::wstring, std::string> expected = {{L"Case.txt", "upper"}, {L"case(1).txt", "lower"}};
    EXPECT_EQ(FilesBelow(run.target()), expected);
    EXPECT_TRUE(run.TempIsEmpty());
}

// huge.bin of huge.exe: one line of 64 bytes, over and over.
bool IsTheWholeHugeFile(const std::wstring& path)
{
    constexpr uint64_t kSize = 268435456;
    const std::string line = "Every byte of this line is checked: a whole file or none at all\n";
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::string block(1 << 20, '\0');
    uint64_t total = 0;
    while (file.read(block.data(), static_cast<std::streamsize>(block.size())) || file.gcount() > 0) {
        const auto got = static_cast<size_t>(file.gcount());
        for (size_t at = 0; at < got; at += line.size())
            if (block.compare(at, line.size(), line) != 0)
                return false;
        total += got;
    }
    return total == kSize;
}

// The program ended without warning (Task Manager, a crash) in each phase of a run:
// no file under a final name in the target is anything but whole, no copy of the archive stays,
// and the next run leaves the temporary folder as it found it.
TEST(EndToEnd, AKilledRunLeavesNoHalfFileAndTheNextRunSweepsUp)
{
    struct Phase {
        const char* name;
        bool clash; // the target holds an older huge.bin: the staged path
        std::function<bool(PackageRun&)> reached; // looks, changes nothing
        std::function<void(PackageRun&)> lead = {}; // what the person does on the way there
        std::wstring output = L""; // another volume (G:, see scripts/wine-env) instead of run.out()
    };
    const auto answerYes = [](PackageRun& run) {
        HWND clash = run.app->WaitForWindow(window_class::kOverwrite, 120000);
        ASSERT_TRUE(clash);
        Click(Child(clash, L"Button", L"Yes"));
    };
    const auto closeWhileExtracting = [](PackageRun& run) {
        ASSERT_TRUE(e2e::WaitUntil([&] { return SizeOfFileBelow(run.target(), L"huge.bin") > 0; }, 120000));
        ::PostMessageW(run.app->FindWindowOf(window_class::kProgress), WM_CLOSE, 0, 0);
    };
    const Phase phases[] = {
        {"staging", false, [](PackageRun& run) { return SizeOfFileBelow(run.temp(), L"tmp.dat") > 0; }},
        {"direct extraction", false, [](PackageRun& run) { return SizeOfFileBelow(run.target(), L"huge.bin") > 0; }},
        {"staged extraction", true, [](PackageRun& run) { return SizeOfFileBelow(run.temp(), L"1.bin") > 0; }},
        // On another volume the staged file is copied beside the target, then renamed.
        {"placement by copy", true,
         [](PackageRun&) {
             std::error_code error;
             return !FindBelow(L"G:\\killed\\", [&](const std::filesystem::path& path) {
                         return path.extension() == L".part" && std::filesystem::file_size(path, error) > 0 && !error;
                     }).empty();
         },
         answerYes, L"G:\\killed"},
        {"overwrite question open", true, [](PackageRun& run) { return run.app->FindWindowOf(window_class::kOverwrite) != nullptr; }},
        {"close question open", false, [](PackageRun& run) { return run.app->FindWindowOf(L"#32770") != nullptr; },
         closeWhileExtracting},
    };
    for (const Phase& phase : phases) {
        SCOPED_TRACE(phase.name);
        if (!phase.output.empty() && !fs::FolderExists(phase.output.substr(0, 3)))
            continue; // no such drive here
        PackageRun run("huge.exe");
        const std::wstring output = phase.output.empty() ? run.out() : phase.output;
        const std::wstring target = output + L"\\Report\\";
        const auto removed = win32::ScopeExit([&] {
            if (!phase.output.empty())
                ScratchFolder::Remove(phase.output);
        });
        if (phase.clash) {
            fs::CreateFolderChain(target);
            WriteFile(target + L"huge.bin", "old");
        }
        run.AnswerFolder(output);
        run.AnswerPassword(L"secret");
        ASSERT_TRUE(run.app->WaitForWindow(window_class::kProgress));
        if (phase.lead)
            phase.lead(run);
        ASSERT_TRUE(e2e::WaitUntil([&] { return phase.reached(run); }, 120000));
        ::TerminateProcess(run.app->process(), 9);
        ASSERT_TRUE(run.app->WaitForExit());

        EXPECT_TRUE(e2e::WaitUntil([&] { return FindBelow(run.temp(), L"tmp.dat").empty(); }, 5000));
        for (const auto& [name, bytes] : FilesBelow(target)) {
            SCOPED_TRACE(testing::PrintToString(name));
            EXPECT_EQ(name, L"huge.bin");
            if (phase.clash && bytes.size() < 16)
                EXPECT_EQ(bytes, "old");
            else
                EXPECT_TRUE(IsTheWholeHugeFile(target + name));
        }

        PackageRun next("good.exe", {.sharedTemp = run.temp()});
        next.AnswerFolder(next.out());
        next.AnswerPassword(L"secret");
        ASSERT_TRUE(next.app->WaitForExit());
        EXPECT_EQ(FilesBelow(next.target()), InputFiles());
        EXPECT_TRUE(run.TempIsEmpty()) << "the killed run's working folder stays";
    }
}

// Two copies at once: the second, starting and ending while the first waits for its folder,
// leaves the first's working folder alone, and the first still unpacks.
TEST(EndToEnd, TwoCopiesAtOnceLeaveEachOthersWorkingFolder)
{
    PackageRun first("good.exe");
    ASSERT_TRUE(first.app->WaitForWindow(window_class::kFolder));
    PackageRun second("good.exe", {.sharedTemp = first.temp()});
    second.AnswerFolder(second.out());
    second.AnswerPassword(L"secret");
    ASSERT_TRUE(second.app->WaitForExit());
    EXPECT_FALSE(first.TempIsEmpty());

    first.AnswerFolder(first.out());
    first.AnswerPassword(L"secret");
    ASSERT_TRUE(first.app->WaitForExit());
    EXPECT_EQ(FilesBelow(first.target()), InputFiles());
    EXPECT_TRUE(first.TempIsEmpty());
}

// The sweep of abandoned working folders runs beside the first questions: a drive that takes
// seconds to answer (a sleeping disk, here one that each drive's question waits three seconds for)
// holds up no window. The folder question is up while a drive's answer is still awaited.
TEST(EndToEnd, TheFirstQuestionDoesNotWaitForASlowDrive)
{
    PackageRun run("slow-sweep.exe");
    const std::wstring log = run.scratch / L"sweep.log";
    const auto count = [&](const std::string& word) {
        const std::string text = Exists(log) ? ReadAll(log) : std::string();
        size_t found = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
            ++found;
        return found;
    };
    ASSERT_TRUE(run.app->WaitForWindow(window_class::kFolder));
    ASSERT_TRUE(e2e::WaitUntil([&] { return count("asked") > 0; }, 10000)) << "the sweep never asked a drive";
    EXPECT_LT(count("answered"), count("asked")) << "the question waited for the sweep";

    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(FilesBelow(run.target()), InputFiles());
    EXPECT_TRUE(run.TempIsEmpty());
}

// Two copies of one package into one folder at once, the second started while the first writes
// its file: both end, the file is whole, nothing of the first is deleted or written over unasked,
// and the second asks about the file the first made.
TEST(EndToEnd, TwoCopiesIntoOneFolderBothEndWithTheFileWhole)
{
    PackageRun first("huge.exe");
    first.AnswerFolder(first.out());
    first.AnswerPassword(L"secret");
    ASSERT_TRUE(e2e::WaitUntil([&] { return SizeOfFileBelow(first.target(), L"huge.bin") > 0; }, 120000));
    PackageRun second("huge.exe");
    second.AnswerFolder(first.out());
    second.AnswerPassword(L"secret");

    const HWND question = second.app->WaitForWindow(window_class::kOverwrite, 120000);
    ASSERT_TRUE(question) << "the second copy did not ask";
    ASSERT_TRUE(first.app->WaitForExit(120000));
    EXPECT_TRUE(IsTheWholeHugeFile(first.target() + L"huge.bin"));
    Click(Child(question, L"Button", L"No"));
    ASSERT_TRUE(second.app->WaitForExit(120000));
    EXPECT_EQ(FilesBelow(first.target()).size(), 1u);
    EXPECT_TRUE(IsTheWholeHugeFile(first.target() + L"huge.bin"));
    EXPECT_TRUE(first.TempIsEmpty());
    EXPECT_TRUE(second.TempIsEmpty());
}

// The password leaves its box as soon as the job has it: the job's copy is the only one.
TEST(EndToEnd, ThePasswordLeavesItsBoxOnceTheJobHasIt)
{
    PackageRun run("huge.exe");
    run.AnswerFolder(run.out());
    const HWND dialog = run.app->WaitForWindow(window_class::kPassword);
    ASSERT_TRUE(dialog);
    Type(Child(dialog, L"Edit"), L"secret");
    Click(Child(dialog, L"Button", L"OK"));
    ASSERT_TRUE(run.app->WaitForWindow(window_class::kProgress));
    EXPECT_TRUE(e2e::WaitUntil([&] { return TextOf(Child(dialog, L"Edit")).empty(); }, 2000))
        << testing::PrintToString(TextOf(Child(dialog, L"Edit")));
    ::PostMessageW(run.app->FindWindowOf(window_class::kProgress), WM_CLOSE, 0, 0);
    run.AnswerMessageBox(IDOK);
    ASSERT_TRUE(run.app->WaitForExit());
}

// Drive F: holds 4 MiB (scripts/wine-env), the package 12 MiB: the person is told before anything
// is written, and nothing is.
TEST(EndToEnd, AFullDriveIsReportedWithTheSpaceNeededAndFree)
{
    if (!fs::FolderExists(L"F:\\"))
        GTEST_SKIP() << "no small drive F: here (it needs root to mount)";
    PackageRun run("big.exe");
    run.AnswerFolder(L"F:\\e2e");
    run.AnswerPassword(L"secret");
    const std::wstring text = run.AnswerMessageBox();
    EXPECT_EQ(text.rfind(L"The files could not be extracted.\r\n\r\nThere is not enough free space on F: (", 0), 0u)
        << testing::PrintToString(text);
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_FALSE(Exists(L"F:\\e2e"));
    EXPECT_TRUE(run.TempIsEmpty());
}

// DLLs planted beside the package and in its current folder, under the names of every DLL that a
// run loads (Wine's loader trace of a full run) and those that the system's own DLLs ask for: a
// full run loads none of them, so none leaves its marker file.
TEST(EndToEnd, NoDllIsLoadedFromThePackagesFolderOrItsCurrentFolder)
{
    const std::vector<std::wstring> planted = {
        L"7z.dll",      L"advapi32.dll", L"bcrypt.dll",   L"combase.dll",  L"comctl32.dll", L"comdlg32.dll",
        L"cryptbase.dll", L"dwmapi.dll", L"gdi32.dll",    L"imm32.dll",    L"kernelbase.dll", L"msvcrt.dll",
        L"ole32.dll",   L"oleaut32.dll", L"propsys.dll",  L"rpcrt4.dll",   L"sechost.dll",  L"shcore.dll",
        L"shell32.dll", L"shlwapi.dll",  L"ucrtbase.dll", L"user32.dll",   L"uxtheme.dll",  L"version.dll",
        L"win32u.dll",  L"winmm.dll",    L"ws2_32.dll",   L"zlib1.dll",
    };
    ScratchFolder current;
    for (const auto& dll : planted)
        ::CopyFileW(BuildFile("tests/fake_dll.dll").c_str(), (current / dll).c_str(), FALSE);
    PackageRun run("good.exe", {.currentFolder = current.path(), .planted = planted});
    run.AnswerFolder(run.out());
    run.AnswerPassword(L"secret");
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(FilesBelow(run.target()), InputFiles());
    for (const auto& dll : planted) {
        EXPECT_FALSE(Exists(run.scratch / (dll + L".loaded"))) << testing::PrintToString(dll) << " beside the package";
        EXPECT_FALSE(Exists(current / (dll + L".loaded"))) << testing::PrintToString(dll) << " in the current folder";
    }
}

// Run with the Japanese system language (see tests/CMakeLists.txt).
TEST(EndToEndInJapanese, CaptionsAndAFullRun)
{
    PackageRun run("good.exe");
    HWND dialog = run.app->WaitForWindow(window_class::kFolder);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(TextOf(dialog), L"解凍");
    EXPECT_TRUE(Child(dialog, L"Static", L"解凍先:(&E)"));
    EXPECT_TRUE(Child(dialog, L"Button", L"取消"));
    run.AnswerFolder(run.out());
    HWND password = run.app->WaitForWindow(window_class::kPassword);
    ASSERT_TRUE(password);
    EXPECT_EQ(TextOf(password), L"パスワード入力");
    run.AnswerPassword(L"secret");
    ASSERT_TRUE(run.app->WaitForExit());
    EXPECT_EQ(FilesBelow(run.target()), InputFiles());
}

} // namespace
