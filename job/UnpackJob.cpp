#include "job/UnpackJob.h"

#include "fs/ByteStream.h"
#include "fs/FileFacts.h"
#include "fs/FileOps.h"
#include "fs/Paths.h"
#include "fs/ScratchNames.h"
#include "fs/ResourceFile.h"
#include "fs/WorkFolder.h"
#include "job/PackageFormat.h"
#include "job/PackageMarker.h"
#include "job/PasswordProbe.h"
#include "job/ReportTexts.h"
#include "job/Staging.h"
#include "job/ZoneMark.h"
#include "lang/Format.h"
#include "lang/Language.h"
#include "lang/TextKeys.h"
#include "sevenzip/FileStream.h"
#include "win32/Error.h"
#include "win32/Security.h"

#include <algorithm>

namespace job {

namespace {

// A target folder that cannot be made at once (a folder of that name still being deleted, a
// parent that another program has just made or holds) is tried again: seven times, half a second
// apart, some three seconds in all, about as long as a person waits without wondering.
constexpr int kFolderAttempts = 7;
constexpr DWORD kFolderRetryMs = 500;

} // namespace

UnpackJob::UnpackJob(JobHost& host, JobProgress& progress, JobInput input)
    : host_(host), progress_(progress), input_(std::move(input))
{
}

UnpackJob::~UnpackJob()
{
    if (thread_)
        ::WaitForSingleObject(thread_.get(), INFINITE);
}

void UnpackJob::Start()
{
    thread_.reset(::CreateThread(nullptr, 0, &UnpackJob::ThreadProc, this, 0, nullptr));
    if (!thread_)
        throw win32::Error(win32::SystemErrorText(::GetLastError()));
}

DWORD WINAPI UnpackJob::ThreadProc(void* self)
{
    try {
        static_cast<UnpackJob*>(self)->RunJob();
    } catch (...) {
        // Only the report itself can fail here (no memory left for it): the end must still reach
        // the window, or it would wait for ever.
        auto* job = static_cast<UnpackJob*>(self);
        job->finished_ = true;
        job->host_.JobEnded(JobOutcome::Failed);
    }
    return 0;
}

void UnpackJob::WaitWhileServingCalls()
{
    HANDLE thread = thread_.get();
    while (thread) {
        const DWORD woke = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1)
            return; // ended
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // runs the sent calls
    }
}

// Every end of the run comes through here: the reader is released and every scratch folder
// removed before the host hears of the end.
void UnpackJob::RunJob()
{
    JobOutcome end = JobOutcome::Finished;
    try {
        end = Run();
    } catch (...) {
        result_.message = lang::ErrorText(std::current_exception()); // in the person's language
        end = JobOutcome::Failed;
    }
    // A library stop that follows a cancel is the cancel, not an error; an error met before the
    // cancel stays one.
    if (end == JobOutcome::Failed && progress_.Cancelled() && !errorBeforeCancel_) {
        end = JobOutcome::Finished;
        result_.message.clear(); // a cancel has nothing to report
    }
    try {
        if (end == JobOutcome::Failed && extracting_)
            result_.message += WhatCameOut();
        const std::wstring renamed = RenamedEntriesText(inventory_.renamed);
        if (end == JobOutcome::Failed)
            result_.message += renamed.empty() ? L"" : L"\r\n\r\n" + renamed;
        else if (!progress_.Cancelled())
            result_.message = renamed;
    } catch (...) {
        // The account is a courtesy: without memory for it, the end is still reported.
    }
    placement_.reset(); // it reads the archive
    reader_.reset();
    win32::WipeText(input_.password); // the archive is closed: nothing needs it now
    if (extractingIntoTarget_)
        RemoveMarkerFile(target_); // the marker never stays, whatever stopped the extraction
    if (createdTarget_ && (end != JobOutcome::Finished || progress_.Cancelled())) {
        // A folder of ours with nothing in it is no result: the target, and each folder made on
        // the way to it, as long as it is empty.
        fs::RemoveEmptyFolders(target_);
        fs::RemoveEmptyParents(target_, existedBefore_);
    }
    scratch_.Remove();
    result_.outcome = end;
    finished_ = true;
    host_.JobEnded(end);
}

// After a failure that left whole files: how many there are, and which entries did not come out.
std::wstring UnpackJob::WhatCameOut()
{
    size_t whole = 0;
    std::vector<std::wstring> missing;
    for (uint32_t i = 0; i < inventory_.places.size(); ++i) {
        if (reader_->ItemIsFolder(i) || reader_->ItemPath(i) == kMarkerName)
            continue;
        const bool staged = inventory_.anyExists || takenLate_.count(i) > 0;
        const bool out = staged ? placement_ && placement_->Settled(i) : reader_->ItemResult(i) == sevenzip::kResultOk;
        if (out)
            ++whole;
        else
            missing.push_back(reader_->ItemPath(i));
    }
    return WhatCameOutText(whole, missing);
}

std::set<uint32_t> UnpackJob::MarkerEntries() const
{
    std::set<uint32_t> markers;
    for (uint32_t i = 0; i < inventory_.places.size(); ++i)
        if (reader_->ItemPath(i) == kMarkerName && !reader_->ItemIsFolder(i))
            markers.insert(i);
    return markers;
}

JobOutcome UnpackJob::Run()
{
    target_ = fs::FullPathOf(TargetFolderFor(input_.outputPath, fs::MapName(fs::GetBaseName(input_.programPath))));
    zoneMark_ = MarkFor(ReadPackageStream(input_.programPath), input_.programPath);
    if (auto end = StageAndOpen())
        return *end;
    std::optional<Inventory> inventory = TakeInventory(*reader_, target_, progress_);
    if (!inventory)
        return JobOutcome::Finished; // cancelled
    inventory_ = std::move(*inventory);
    if (auto end = CheckPassword())
        return *end;
    if (auto end = PrepareTarget())
        return *end;
    return inventory_.anyExists ? ExtractStaged() : ExtractIntoTarget();
}

// Copies the archive out of the program file, deploys the library and opens the archive.
std::optional<JobOutcome> UnpackJob::StageAndOpen()
{
    // Nobody else may touch the staged archive until it closes, and it goes when it closes, even
    // when the process is ended without warning: no copy of the archive stays behind.
    auto staged = fs::ByteStream::CreateTemporary(input_.workDir + fs::kStagedArchiveName);
    {
        auto program = fs::ByteStream::OpenRead(input_.programPath);
        const int64_t remaining = std::max<int64_t>(static_cast<int64_t>(program->Size()) - PAYLOAD_OFFSET, 0);
        program->Seek(PAYLOAD_OFFSET, fs::ByteStream::FromStart);
        progress_.totalSize = remaining;
        host_.ShowTotalSize(remaining);
        progress_.currentSize = 0;
        progress_.phase = JobPhase::Staging;
        CopyPayload(*program, *staged, remaining, [this](int64_t left) {
            progress_.currentSize = progress_.totalSize.load() - left;
            progress_.WaitWhilePaused();
            return !progress_.Cancelled();
        });
    }
    progress_.phase = JobPhase::Checking;
    if (progress_.Cancelled())
        return JobOutcome::Finished;

    {
        // Held until the library is loaded from it.
        win32::FileHandle library = fs::SaveResourceToHeldFile(L"7z_dll", L"FILE", input_.libraryPath);
        if (progress_.Cancelled())
            return JobOutcome::Finished;
        reader_ = std::make_unique<sevenzip::ArchiveReader>(input_.libraryPath);
    }
    reader_->SetProgressSink(this, &OnLibraryProgress);
    staged->Seek(0, fs::ByteStream::FromStart);
    win32::ComPtr<sevenzip::IInStream> stream(new sevenzip::FileStream(std::move(staged)));
    reader_->OpenArchiveStream(stream.get(), SEARCH_WINDOW);
    reader_->SetPassword(input_.password);
    return std::nullopt;
}

// The password check on the marker entry.
std::optional<JobOutcome> UnpackJob::CheckPassword()
{
    const fs::WorkFolder probeFolder(inventory_.totalSize, input_.workFolderCalls); // goes with the check
    if (PasswordRefused(*reader_, MarkerEntries(), probeFolder.path(), [this] { return progress_.Cancelled(); }))
        return JobOutcome::WrongPassword;
    return std::nullopt;
}

// The scratch folder when files clash, room for the files, and the target folder.
std::optional<JobOutcome> UnpackJob::PrepareTarget()
{
    if (inventory_.anyExists)
        scratch_ = fs::WorkFolder(inventory_.totalSize, input_.workFolderCalls);
    CheckFreeSpace(scratch_.path());
    createdTarget_ = !fs::FolderExists(target_);
    existedBefore_ = fs::ExistingAncestor(target_);
    for (int attempts = 0; !fs::FolderExists(target_);) {
        fs::CreateFolderChain(target_);
        if (++attempts >= kFolderAttempts || progress_.Cancelled())
            break;
        if (!fs::FolderExists(target_))
            ::Sleep(kFolderRetryMs);
    }
    if (!fs::FolderExists(target_))
        return JobOutcome::NoTargetFolder;
    progress_.placedCount = 0;
    extracting_ = true;
    placement_.emplace(*reader_, inventory_.places, target_, host_, progress_, input_.placementCalls,
                       [this](uint32_t index, const std::wstring& path) { FinishPlacedFile(index, path); },
                       [this](const std::wstring& to) { Step(JobStep::Placing, to); });
    return std::nullopt;
}

// No file clashes: each comes out straight into the target folder.
JobOutcome UnpackJob::ExtractIntoTarget()
{
    progress_.phase = JobPhase::Extracting;
    extractingIntoTarget_ = true;
    // A name that another program takes after the inventory (a second copy of this package, a
    // sync client) is never written over: that entry is staged and asked about.
    const auto whenTaken = [this](uint32_t index) {
        if (scratch_.path().empty())
            scratch_ = fs::WorkFolder(inventory_.totalSize, input_.workFolderCalls);
        takenLate_.insert(index);
        return scratch_.path() + fs::StagedName(index, inventory_.places[index]);
    };
    // Each file once whole: the package's mark, then its stored times and attributes (writing a
    // stream changes a file's time on Windows). One staged instead gets its times only (the
    // question shows them), the rest once placed.
    const auto whenWhole = [this](uint32_t index, fs::ByteStream& file) {
        if (takenLate_.count(index) != 0) {
            fs::ApplyFacts(file.handle(), reader_->ItemFacts(index), false);
            return;
        }
        if (!zoneMark_.empty())
            WriteMark(file.path(), zoneMark_);
        fs::ApplyFacts(file.handle(), reader_->ItemFacts(index), true);
    };
    std::exception_ptr failed;
    try {
        reader_->ExtractAllTo(target_, inventory_.places, MarkerEntries(), true, whenTaken, whenWhole);
    } catch (const win32::Error&) {
        if (takenLate_.empty() || progress_.Cancelled())
            throw;
        failed = std::current_exception(); // reported once the staged entries are placed
        errorBeforeCancel_ = true;
    }
    RemoveMarkerFile(target_);
    extractingIntoTarget_ = false;
    progress_.phase = JobPhase::Settling;
    if (!takenLate_.empty() && !progress_.Cancelled())
        placement_->PlaceFrom(scratch_.path(), &takenLate_);
    if (failed)
        std::rethrow_exception(failed);
    if (!progress_.Cancelled())
        MakeFolderEntries();
    return JobOutcome::Finished;
}

// Some file clashes: everything comes out into the scratch folder first, then is placed.
JobOutcome UnpackJob::ExtractStaged()
{
    progress_.phase = JobPhase::ExtractingStaged;
    // Entries that came out whole are placed even when others failed; the failure is reported
    // after them, as on the direct path.
    std::exception_ptr failed;
    try {
        // The scratch folder is the program's own: nothing there has a final name.
        reader_->ExtractAllTo(scratch_.path(), StagedPlaces(inventory_.places), MarkerEntries(), false, {},
                              [this](uint32_t index, fs::ByteStream& file) {
                                  fs::ApplyFacts(file.handle(), reader_->ItemFacts(index), false);
                              });
    } catch (const win32::Error&) {
        // Damage met before any cancel is reported even when the person cancels later on.
        if (!progress_.Cancelled()) {
            failed = std::current_exception();
            errorBeforeCancel_ = true;
        }
    }
    progress_.phase = JobPhase::Settling;
    if (!progress_.Cancelled())
        placement_->PlaceFrom(scratch_.path());
    if (failed)
        std::rethrow_exception(failed);
    if (!progress_.Cancelled())
        MakeFolderEntries();
    return JobOutcome::Finished;
}

// The last steps of a file in its final place: the package's mark, then its stored times and
// attributes, read-only last (a read-only file could not take its mark).
void UnpackJob::FinishPlacedFile(uint32_t index, const std::wstring& path)
{
    if (!zoneMark_.empty())
        WriteMark(path, zoneMark_);
    fs::ApplyFacts(path, reader_->ItemFacts(index), true);
}

// Every folder entry becomes a folder in the target, empty or not (one that is there already is
// used as it is), and takes its stored times and attributes once all that goes inside it is there:
// the deepest first, as making a folder inside another changes that one's time.
void UnpackJob::MakeFolderEntries()
{
    const std::vector<std::wstring>& places = inventory_.places;
    std::vector<uint32_t> folders;
    for (uint32_t i = 0; i < places.size(); ++i)
        if (reader_->ItemIsFolder(i))
            folders.push_back(i);
    for (const uint32_t i : folders)
        fs::CreateFolderChain(target_ + places[i]);
    const auto depth = [&](uint32_t i) { return std::count(places[i].begin(), places[i].end(), L'\\'); };
    std::stable_sort(folders.begin(), folders.end(), [&](uint32_t a, uint32_t b) { return depth(a) > depth(b); });
    for (const uint32_t i : folders)
        if (fs::FolderExists(target_ + places[i]))
            fs::ApplyFacts(target_ + places[i], reader_->ItemFacts(i), true);
}

// Before anything is written: the target's drive must hold every file, and when the files are
// staged first, the scratch folder's drive must hold them too. On one volume the staged files are
// moved into place, so the volume holds them once.
void UnpackJob::CheckFreeSpace(const std::wstring& scratch)
{
    const int64_t totalSize = inventory_.totalSize;
    std::vector<std::pair<std::wstring, int64_t>> needs{{fs::ExistingAncestor(target_), totalSize}};
    if (!scratch.empty() && !fs::OnOneVolume(scratch, needs.front().first))
        needs.emplace_back(scratch, totalSize);
    for (const auto& [folder, needed] : needs) {
        const std::wstring drive = fs::DrivePart(folder);
        const int64_t free = input_.freeBytes(folder);
        if (free >= 0 && free < needed)
            throw win32::Error(L"There is not enough free space on " + drive + L" (" + lang::FormatSize(needed) +
                                   L" needed, " + lang::FormatSize(free) + L" free).",
                               lang::key::kNotEnoughSpace, {drive, lang::FormatSize(needed), lang::FormatSize(free)});
    }
}

int32_t UnpackJob::OnLibraryProgress(void* context, int32_t isTotal, int64_t value)
{
    const int32_t answer = static_cast<UnpackJob*>(context)->progress_.OnLibraryProgress(isTotal, value);
    if (answer == 0 && isTotal == 0)
        static_cast<UnpackJob*>(context)->Step(JobStep::Progress);
    return answer;
}

void UnpackJob::Step(JobStep step, const std::wstring& path)
{
    if (!input_.onStep)
        return;
    try {
        input_.onStep(step, path); // may be called from inside the library: nothing unwinds
    } catch (...) {
    }
}

} // namespace job
