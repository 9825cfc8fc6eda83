#include "job/ZoneMark.h"

#include "fs/Paths.h"
#include "lang/TextKeys.h"
#include "win32/Error.h"
#include "win32/Handles.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace job {

namespace {

constexpr wchar_t kStreamSuffix[] = L":Zone.Identifier";
constexpr int kZoneInternet = 3;
constexpr int kZoneRestricted = 4;

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameLetters(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        const char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return i == a.size() && !b[i];
}

bool Printable(const std::string& text)
{
    for (const unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

// Whether the drive that holds path keeps named streams; true when the system cannot say.
bool KeepsStreams(const std::wstring& path)
{
    std::wstring root(MAX_PATH + 1, L'\0');
    if (!::GetVolumePathNameW(fs::LongPathForm(path).c_str(), root.data(), static_cast<DWORD>(root.size())))
        return true;
    DWORD flags = 0;
    if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true;
    return (flags & FILE_NAMED_STREAMS) != 0;
}

} // namespace

std::string MarkFor(const std::string& packageStream, const std::wstring& packagePath)
{
    std::optional<int> zone;
    std::string hostUrl;
    bool inZoneTransfer = false;
    for (size_t start = 0; start < packageStream.size();) {
        size_t end = packageStream.find('\n', start);
        if (end == std::string::npos)
            end = packageStream.size();
        std::string line = packageStream.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = Trimmed(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inZoneTransfer = SameLetters(Trimmed(line.substr(1, line.size() - 2)), "ZoneTransfer");
            continue;
        }
        const size_t equals = line.find('=');
        if (!inZoneTransfer || equals == std::string::npos)
            continue;
        const std::string key = Trimmed(line.substr(0, equals)), value = Trimmed(line.substr(equals + 1));
        if (SameLetters(key, "ZoneId") && !zone) {
            if (!value.empty() && value.size() <= 2 && value.find_first_not_of("0123456789") == std::string::npos)
                zone = std::stoi(value);
        } else if (SameLetters(key, "HostUrl") && hostUrl.empty()) {
            if (value.size() <= kLongestHostUrl && Printable(value))
                hostUrl = value;
        }
    }
    if (zone != kZoneInternet && zone != kZoneRestricted)
        return {};
    std::string mark = "[ZoneTransfer]\r\nZoneId=" + std::to_string(*zone) + "\r\nReferrerUrl=" + win32::Utf8(packagePath) + "\r\n";
    if (!hostUrl.empty())
        mark += "HostUrl=" + hostUrl + "\r\n";
    return mark;
}

std::string ReadPackageStream(const std::wstring& packagePath)
{
    const win32::FileHandle stream(::CreateFileW(fs::LongPathForm(packagePath + kStreamSuffix).c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!stream)
        return {};
    std::string bytes(kLongestPackageMark, '\0');
    size_t total = 0;
    for (DWORD read = 0; total < bytes.size(); total += read) {
        if (!::ReadFile(stream.get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &read, nullptr) ||
            read == 0)
            break;
    }
    bytes.resize(total);
    return bytes;
}

void WriteMark(const std::wstring& file, const std::string& mark)
{
    const std::wstring streamPath = file + kStreamSuffix;
    const win32::FileHandle stream(::CreateFileW(fs::LongPathForm(streamPath).c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD code = stream ? ERROR_SUCCESS : ::GetLastError();
    if (stream) {
        DWORD written = 0;
        if (!::WriteFile(stream.get(), mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr))
            code = ::GetLastError();
        else if (written != mark.size())
            code = ERROR_DISK_FULL;
    }
    if (code == ERROR_SUCCESS || (!stream && !KeepsStreams(file)))
        return; // written, or a file system without streams: nothing to mark there
    throw win32::FileError(L"Cannot write file", streamPath, code, lang::key::kCannotWriteFile);
}

} // namespace job
