// The game folder's files through Windows, by their UTF-16 names: listing
// and state, renames and removals never through a link, the journal's file,
// the switch's lock and the file version. The copy is in copy_files_win32.cpp.
#include "install/win32/game_files_win32.h"

#include <algorithm>
#include <vector>

#include "common/win32/system_dll.h"
#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"

namespace quorin::win32 {

// The system's numbers in the switch's own terms.
FileResult FileResultOf(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return kFileOk;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return kFileNotFound;
    case ERROR_ACCESS_DENIED:
        return kFileAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return kFileInUse;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return kFileDiskFull;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return kFileExists;
    case ERROR_DIR_NOT_EMPTY:
        return kFileNotEmpty;
    default:
        return {FileError::Other, static_cast<long>(error)};
    }
}

FileState StateOf(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& written) {
    FileState state;
    state.exists = true;
    state.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    state.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    state.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    state.size = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
    state.writeTime =
        (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return state;
}

void ListInto(const std::string& folder, const std::string& prefix, std::vector<FileEntry>& out) {
    WIN32_FIND_DATAW entry{};
    UniqueFind search(::FindFirstFileW(Widen(folder + "\\*").c_str(), &entry));
    if (!search)
        return;
    do {
        const std::string name = Narrow(entry.cFileName);
        if (name == "." || name == "..")
            continue;
        out.push_back({prefix + name, StateOf(entry.dwFileAttributes, entry.nFileSizeHigh,
                                              entry.nFileSizeLow, entry.ftLastWriteTime)});
        if (out.back().state.folder && !out.back().state.link) // a link is never entered
            ListInto(folder + "\\" + name, prefix + name + "\\", out);
    } while (::FindNextFileW(search.Get(), &entry));
}

namespace {

FileResult Result(BOOL ok) {
    return ok ? kFileOk : FileResultOf(::GetLastError());
}

} // namespace

bool GameFiles::FileExists(const std::string& path) {
    WIN32_FIND_DATAW found{};
    UniqueFind search(::FindFirstFileW(Widen(path).c_str(), &found));
    if (!search)
        return false;
    const DWORD excluded = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return found.cFileName[0] != L'\0' && (found.dwFileAttributes & excluded) == 0;
}

FileState StatePath(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return {};
    return StateOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
                   data.ftLastWriteTime);
}

FileState GameFiles::Stat(const std::string& path) {
    return StatePath(path);
}

std::optional<std::vector<FileEntry>> GameFiles::List(const std::string& folder) {
    if (!Stat(folder).folder)
        return std::nullopt;
    std::vector<FileEntry> entries;
    ListInto(folder, "", entries);
    return entries;
}

std::optional<std::uint64_t> GameFiles::FreeBytes(const std::string& folder) {
    ULARGE_INTEGER free{};
    if (!::GetDiskFreeSpaceExW(Widen(folder + "\\").c_str(), &free, nullptr, nullptr))
        return std::nullopt;
    return free.QuadPart;
}

FileResult GameFiles::Rename(const std::string& from, const std::string& to) {
    return Result(::MoveFileW(Widen(from).c_str(), Widen(to).c_str()));
}

namespace {

// Marks what `handle` has open for deletion: it goes with its last handle.
FileResult DeleteOnClose(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return Result(::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                               sizeof disposition));
}

// Removes a file or an empty folder through a handle opened on the path
// itself, never on what a link points at; a read-only file loses that
// attribute first, and gets it back when it cannot go.
FileResult RemoveEntry(const std::string& path, bool folder) {
    UniqueFile entry(::CreateFileW(
        Widen(path).c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr));
    if (!entry)
        return FileResultOf(::GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(entry.Get(), &info))
        return FileResultOf(::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return kFileLink;
    if (((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder)
        return folder ? FileResultOf(ERROR_DIRECTORY) : kFileAccessDenied;
    FILE_BASIC_INFO basic{};
    const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        basic.FileAttributes =
            (info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
        if (!::SetFileInformationByHandle(entry.Get(), FileBasicInfo, &basic, sizeof basic))
            return FileResultOf(::GetLastError());
    }
    const FileResult error = DeleteOnClose(entry.Get());
    if (error != kFileOk && readOnly) {
        basic.FileAttributes = info.dwFileAttributes;
        ::SetFileInformationByHandle(entry.Get(), FileBasicInfo, &basic, sizeof basic);
    }
    return error;
}

// The journal, open without sharing until it is removed or let go.
class HeldJournal : public IJournalFile {
  public:
    explicit HeldJournal(UniqueFile file) : file_(std::move(file)) {}
    FileResult Remove() override {
        const FileResult error = DeleteOnClose(file_.Get());
        if (error == kFileOk)
            file_.Reset(); // gone with its last handle
        return error;
    }

  private:
    UniqueFile file_;
};

class HeldLock : public ISwitchLock {
  public:
    explicit HeldLock(UniqueFile file) : file_(std::move(file)) {}

  private:
    UniqueFile file_;
};

} // namespace

FileResult GameFiles::RemoveFile(const std::string& path) {
    // A plain writable file goes in one call, a third of the handle's cost
    // under Wine. Should a link take its place meanwhile, DeleteFileA
    // removes the link itself, never what it points at.
    const std::wstring wide = Widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotPlain) == 0 &&
        ::DeleteFileW(wide.c_str()))
        return kFileOk;
    return RemoveEntry(path, false);
}

FileResult GameFiles::MakeFolder(const std::string& path) {
    return Result(::CreateDirectoryW(Widen(path).c_str(), nullptr));
}

FileResult GameFiles::RemoveFolder(const std::string& path) {
    return RemoveEntry(path, true);
}

std::unique_ptr<IJournalFile> GameFiles::CreateJournal(const std::string& path,
                                                       const std::string& text, FileResult& error) {
    UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH,
                                  nullptr));
    DWORD written = 0;
    if (file &&
        ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && ::FlushFileBuffers(file.Get())) {
        error = kFileOk;
        return std::make_unique<HeldJournal>(std::move(file));
    }
    error = FileResultOf(::GetLastError());
    if (file)
        HeldJournal(std::move(file)).Remove(); // half written: it never was
    return nullptr;
}

std::optional<std::string> GameFiles::ReadText(const std::string& path, std::size_t limit) {
    UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (text.size() <= limit) {
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        text.append(buffer, std::min<std::size_t>(got, limit + 1 - text.size()));
    }
    return text;
}

std::unique_ptr<ISwitchLock> GameFiles::LockSwitch(const std::string& gameData) {
    // A file beside Quorin's folder, open without sharing while the switch
    // runs and gone with its handle, even when the holder is killed: only
    // who may write the game folder can hold it, where a name in the
    // system's namespace could be taken first by any program of any session.
    UniqueFile lock(::CreateFileW(
        Widen(gameData + kLockName).c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!lock)
        return nullptr;
    return std::make_unique<HeldLock>(std::move(lock));
}

std::optional<std::string> GameFiles::FileVersion(const std::string& path) {
    return FileVersionOf(path);
}

std::optional<std::string> FileVersionOf(const std::string& path) {
    // version.dll is no known DLL: loaded from the system's folder by full
    // path, never from beside Quorin, and only when a version is asked for.
    static const SystemDll dll("version.dll");
    const auto size = dll.Find<decltype(::GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
    const auto info = dll.Find<decltype(::GetFileVersionInfoW)>("GetFileVersionInfoW");
    const auto query = dll.Find<decltype(::VerQueryValueW)>("VerQueryValueW");
    if (!size || !info || !query)
        return std::nullopt;
    const std::wstring wide = Widen(path);
    DWORD ignored = 0;
    const DWORD bytes = size(wide.c_str(), &ignored);
    if (bytes == 0)
        return std::nullopt;
    std::vector<char> block(bytes);
    void* fixed = nullptr;
    UINT length = 0;
    if (!info(wide.c_str(), 0, bytes, block.data()) ||
        !query(block.data(), L"\\", &fixed, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* version = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return std::to_string(HIWORD(version->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(version->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(version->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(version->dwFileVersionLS));
}

std::string ProgramPath() {
    // Long enough for any path Windows can start a program from.
    std::wstring path(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return Narrow(path.substr(0, length));
}

std::string GameFiles::ToolFolder() {
    if (!toolFolder_.empty())
        return toolFolder_;
    const std::string program = ProgramPath();
    return program.substr(0, program.find_last_of('\\'));
}

} // namespace quorin::win32
