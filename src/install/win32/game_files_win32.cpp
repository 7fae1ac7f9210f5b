#include "install/win32/game_files_win32.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "common/keyed_collection.h"
#include "common/win32/system_dll.h"
#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

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

// `name`, one component, opened or made relative to the folder `parent`
// (NtCreateFile's root handle), never through a link at its place: what
// is reached is inside the folder that handle holds, whatever has been
// renamed on the way since it was opened.
UniqueFile OpenBelow(HANDLE parent, const std::string& name, ACCESS_MASK access, ULONG share,
                     ULONG disposition, ULONG options, FileResult& error) {
    using Create = decltype(::NtCreateFile);
    using ToError = ULONG WINAPI(LONG);
    static const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    static const auto create = reinterpret_cast<Create*>(
        reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "NtCreateFile")));
    static const auto toError = reinterpret_cast<ToError*>(
        reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    std::wstring wide = Widen(name);
    UNICODE_STRING text{static_cast<USHORT>(wide.size() * sizeof(wchar_t)),
                        static_cast<USHORT>(wide.size() * sizeof(wchar_t)), wide.data()};
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = parent;
    attributes.ObjectName = &text;
    attributes.Attributes = 0x40; // OBJ_CASE_INSENSITIVE, as Windows' own calls look names up
    IO_STATUS_BLOCK io{};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const LONG status =
        create && toError
            ? create(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr,
                     FILE_ATTRIBUTE_NORMAL, share, disposition,
                     options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0)
            : -1;
    error =
        status >= 0 ? kFileOk : FileResultOf(toError ? toError(status) : ERROR_INVALID_FUNCTION);
    return UniqueFile(status >= 0 ? handle : INVALID_HANDLE_VALUE);
}

// A folder handle, opened on `path`, that is no link and no file; else why
// not. Wine opens what a link names even when asked for the link itself, and
// tells a link only by its path: the path is looked at too.
FileResult PlainFolder(const UniqueFile& folder, FileResult opened, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (opened != kFileOk)
        return opened;
    if (!::GetFileInformationByHandle(folder.Get(), &info))
        return FileResultOf(::GetLastError());
    const DWORD byPath = ::GetFileAttributesW(Widen(path).c_str());
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        (byPath != INVALID_FILE_ATTRIBUTES && (byPath & FILE_ATTRIBUTE_REPARSE_POINT)))
        return kFileLink;
    return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? kFileOk : kFileExists;
}

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
// Not shared for deletion: on Windows the folder cannot be renamed or
// removed (and a link put in its place) while it is held.
constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The folders of a copy below its root, each opened relative to the one
// above it, from the root's own handle down.
class FolderTree {
  public:
    FileResult OpenRoot(const std::string& root) {
        root_ = root;
        UniqueFile folder(
            ::CreateFileW(Widen(root).c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        const FileResult error =
            PlainFolder(folder, folder ? kFileOk : FileResultOf(::GetLastError()), root);
        if (error == kFileOk)
            open_[""] = std::move(folder);
        return error;
    }
    // The folder `path` (the root or below it), made when `make` and not there.
    HANDLE Folder(const std::string& path, bool make, FileResult& error) {
        if (path.size() < root_.size() || !EqualsNoCase(path.substr(0, root_.size()), root_) ||
            (path.size() > root_.size() && path[root_.size()] != '\\')) {
            error = kFileAccessDenied; // outside the copy's root
            return nullptr;
        }
        const std::string key = FoldCase(path.substr(root_.size()));
        if (const auto known = open_.find(key); known != open_.end())
            return error = kFileOk, known->second.Get();
        const std::size_t cut = path.rfind('\\');
        HANDLE parent = Folder(path.substr(0, cut), false, error);
        if (!parent)
            return nullptr;
        UniqueFile folder = OpenBelow(parent, path.substr(cut + 1), kFolderAccess, kFolderShare,
                                      make ? FILE_OPEN_IF : FILE_OPEN, FILE_DIRECTORY_FILE, error);
        if ((error = PlainFolder(folder, error, path)) != kFileOk)
            return nullptr;
        return (open_[key] = std::move(folder)).Get();
    }

  private:
    std::string root_;
    std::map<std::string, UniqueFile> open_; // folded, below the root
};

// A patch file held open from the plan to the copy: read shared, nothing
// else, so that no one writes, renames or deletes it (or a folder on its
// way) meanwhile; opened on the path itself, never on what a link names.
class Source : public ISource {
  public:
    Source(std::string path, UniqueFile file, FileState state)
        : path_(std::move(path)), file_(std::move(file)), state_(state) {}
    const std::string& Path() const override { return path_; }
    FileState State() const override { return state_; }
    HANDLE Handle() const { return file_.Get(); }

  private:
    std::string path_;
    UniqueFile file_;
    FileState state_;
};

// The renames run on one thread and the copies on two others, so that the
// renames cost next to nothing beside a large file's copy and two files are
// copied at once (a copy under Wine is bound by the processor, not the
// disk); the copy of a file waits for the rename that frees its place.
constexpr int kCopiers = 2;
constexpr DWORD kCopyBuffer = 1 << 20;

struct CopyJob {
    const std::vector<CopyItem>& items;
    const std::vector<Move>& moves;
    std::vector<HANDLE> parents = {};           // each item's folder, for the files
    std::map<std::string, std::size_t> freedBy; // folded destination -> move
    std::vector<std::size_t> files = {};        // the items that are files
    std::atomic<std::size_t> next{0};           // the next file a thread takes
    std::mutex lock{};                          // over movesDone and the failures
    std::condition_variable moved{};            // told after each rename, and each failure
    std::size_t movesDone = 0;
    std::atomic<bool> stopped{false}; // a rename or a copy failed
    FileResult moveError = kFileOk;
    FileResult copyError = kFileOk;
    std::string failedPath = {};
};

// Records the first failure of the copies; the others stop at their next file.
DWORD Failed(CopyJob& job, FileResult error, const std::string& path) {
    {
        const std::lock_guard<std::mutex> held(job.lock);
        if (!job.stopped.exchange(true)) {
            job.copyError = error;
            job.failedPath = path;
        }
    }
    job.moved.notify_all(); // a copy waiting for its rename stops too
    return 0;
}

// Makes the renames in order until one fails or a copy has failed: what it
// renamed before then stays where it went, for the roll-back to put back.
DWORD WINAPI MoveThread(void* parameter) {
    auto* job = static_cast<CopyJob*>(parameter);
    for (const Move& move : job->moves) {
        if (job->stopped)
            return 0;
        const bool ok = ::MoveFileExW(Widen(move.from).c_str(), Widen(move.to).c_str(), 0);
        const FileResult error = ok ? kFileOk : FileResultOf(::GetLastError());
        {
            const std::lock_guard<std::mutex> held(job->lock);
            if (ok) {
                ++job->movesDone;
            } else {
                job->moveError = error;
                job->stopped = true; // no copy starts after it
            }
        }
        job->moved.notify_all();
        if (!ok)
            return 0;
    }
    return 0;
}

// `source`'s bytes into a new file at `to` (never over one that is there,
// nor through a link), on the disk before it returns, with the source's
// attributes and last-write time. The failure's side: the file it writes,
// or the patch file it reads.
FileResult CopyOne(const Source& source, HANDLE folder, const std::string& to,
                   std::vector<char>& buffer, std::string& failed) {
    failed = to;
    FileResult error;
    UniqueFile target =
        OpenBelow(folder, to.substr(to.rfind('\\') + 1), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, 0,
                  FILE_CREATE, FILE_NON_DIRECTORY_FILE, error);
    if (!target)
        return error;
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(source.Handle(), start, nullptr, FILE_BEGIN))
        return failed = source.Path(), FileResultOf(::GetLastError());
    for (DWORD got = 0;;) {
        if (!::ReadFile(source.Handle(), buffer.data(), kCopyBuffer, &got, nullptr))
            return failed = source.Path(), FileResultOf(::GetLastError());
        if (got == 0)
            break;
        DWORD written = 0;
        if (!::WriteFile(target.Get(), buffer.data(), got, &written, nullptr) || written != got)
            return FileResultOf(::GetLastError());
    }
    // Written out from the cache before the switch commits, so that a power
    // cut cannot leave a file only the cache held; then the source's time
    // and attributes, read-only included.
    FILE_BASIC_INFO basic{};
    if (!::FlushFileBuffers(target.Get()) ||
        !::GetFileInformationByHandleEx(source.Handle(), FileBasicInfo, &basic, sizeof basic))
        return FileResultOf(::GetLastError());
    basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = basic.ChangeTime.QuadPart = 0;
    if (!::SetFileInformationByHandle(target.Get(), FileBasicInfo, &basic, sizeof basic))
        return FileResultOf(::GetLastError());
    return kFileOk;
}

// Copies the files the job has not yet handed out, one at a time, until
// none are left or a copy fails.
DWORD WINAPI CopyThread(void* parameter) {
    auto* job = static_cast<CopyJob*>(parameter);
    std::vector<char> buffer(kCopyBuffer);
    for (std::size_t i; !job->stopped && (i = job->next++) < job->files.size();) {
        const std::size_t at = job->files[i];
        const CopyItem& item = job->items[at];
        if (const auto freed = job->freedBy.find(FoldCase(item.to)); freed != job->freedBy.end()) {
            std::unique_lock<std::mutex> held(job->lock);
            job->moved.wait(held, [&] { return job->movesDone > freed->second || job->stopped; });
            if (job->stopped)
                return 0;
        }
        std::string failed;
        const auto* source = dynamic_cast<const Source*>(item.source);
        const FileResult error = source
                                     ? CopyOne(*source, job->parents[at], item.to, buffer, failed)
                                     : (failed = item.to, kFileNotFound);
        if (error != kFileOk)
            return Failed(*job, error, failed);
    }
    return 0;
}

// Runs `work` on `count` threads of its own, besides those in `running`,
// and waits for them all, calling `every` about four times a second; runs
// it on this thread when no thread can be made.
void RunThreads(LPTHREAD_START_ROUTINE work, CopyJob& job, int count,
                std::vector<UniqueKernelHandle> running, const std::function<void()>& every) {
    const std::size_t others = running.size();
    for (int i = 0; i < count; ++i)
        if (UniqueKernelHandle thread(::CreateThread(nullptr, 0, work, &job, 0, nullptr)); thread)
            running.push_back(std::move(thread));
    if (running.size() == others)
        work(&job);
    std::vector<HANDLE> handles;
    for (const UniqueKernelHandle& thread : running)
        handles.push_back(thread.Get());
    for (;;) {
        const DWORD woke =
            ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, 250);
        if (woke != WAIT_TIMEOUT) {
            if (woke == WAIT_FAILED) // their job is on the caller's stack
                ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                                         INFINITE);
            return;
        }
        if (every)
            every();
    }
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

FileState GameFiles::Stat(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return {};
    return StateOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
                   data.ftLastWriteTime);
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

class HeldLock : public IHold {
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

std::unique_ptr<IHold> GameFiles::LockSwitch(const std::string& gameData) {
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

namespace {

// The owner and the access list of what `handle` holds, as portable text.
bool AccessOf(HANDLE handle, std::string& owner, std::vector<AccessEntry>& entries) {
    PSID ownerSid = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &ownerSid,
                          nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const auto text = [](PSID sid) {
        wchar_t* string = nullptr;
        if (!::ConvertSidToStringSidW(sid, &string))
            return std::string();
        std::string narrow = Narrow(string);
        ::LocalFree(string);
        return narrow;
    };
    owner = text(ownerSid);
    if (!list) // no list at all lets everyone do anything
        entries.push_back({"S-1-1-0", true, false, GENERIC_ALL});
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(list, i, reinterpret_cast<void**>(&header)))
            continue;
        const bool allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        if (!allows && header->AceType != ACCESS_DENIED_ACE_TYPE) {
            entries.push_back({"", true, false, GENERIC_ALL}); // a kind not understood: doubt
            continue;
        }
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        entries.push_back(
            {text(&ace->SidStart), allows, (header->AceFlags & INHERIT_ONLY_ACE) != 0, ace->Mask});
    }
    ::LocalFree(descriptor);
    return true;
}

class HeldFolders : public IHold {
  public:
    std::vector<UniqueFile> folders;
};

} // namespace

std::unique_ptr<IHold> GuardForAdministrators(const std::string& gameData, std::string& problem) {
    // The folders from the drive's (or the share's) root down to "GameData".
    const auto quoted = [](const std::string& path) { return "\"" + path + "\""; };
    std::vector<std::string> chain;
    std::size_t from = 3;
    if (gameData.size() > 2 && gameData[1] == ':') {
        chain.push_back(gameData.substr(0, 3));
    } else {
        const std::size_t server = gameData.find('\\', 2);
        from = server == std::string::npos ? server : gameData.find('\\', server + 1);
        if (from == std::string::npos) {
            problem = quoted(gameData) + " is no folder path. Nothing changed.";
            return nullptr;
        }
        chain.push_back(gameData.substr(0, ++from));
    }
    for (std::size_t at; (at = gameData.find('\\', from)) != std::string::npos; from = at + 1)
        chain.push_back(gameData.substr(0, at));
    chain.push_back(gameData);
    auto held = std::make_unique<HeldFolders>();
    for (const std::string& folder : chain) {
        UniqueFile handle(::CreateFileW(
            Widen(folder).c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, kFolderShare, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        const FileResult error =
            PlainFolder(handle, handle ? kFileOk : FileResultOf(::GetLastError()), folder);
        if (error == kFileLink) {
            problem = quoted(folder) + " is a link (a symbolic link or junction), so Quorin does "
                                       "not switch the game with administrator rights. Nothing "
                                       "changed.";
            return nullptr;
        }
        if (error != kFileOk) {
            problem = quoted(folder) + " cannot be opened (system error " +
                      std::to_string(error.system) + "). Nothing changed.";
            return nullptr;
        }
        held->folders.push_back(std::move(handle));
    }
    static const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    std::string owner;
    std::vector<AccessEntry> entries;
    if (!wine && (!AccessOf(held->folders.back().Get(), owner, entries) ||
                  !OnlyAdministratorsChange(owner, entries))) {
        problem = quoted(gameData) +
                  " may be changed by accounts that are not administrators, so Quorin does not "
                  "switch it with administrator rights: what it wrote there could be turned "
                  "against you. Switch as the account that may change it, or let only "
                  "administrators change it. Nothing changed.";
        return nullptr;
    }
    return held;
}

std::unique_ptr<ISource> GameFiles::OpenSource(const std::string& path, FileResult& error) {
    UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_READ | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS |
                                      FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.Get(), &info)) {
        error = FileResultOf(::GetLastError());
        return nullptr;
    }
    error = kFileOk;
    return std::make_unique<Source>(path, std::move(file),
                                    StateOf(info.dwFileAttributes, info.nFileSizeHigh,
                                            info.nFileSizeLow, info.ftLastWriteTime));
}

CopyResult GameFiles::CopyFiles(const std::string& root, const std::vector<CopyItem>& items,
                                const std::vector<Move>& movesFirst,
                                const std::function<void()>& whileCopying) {
    // The shell's SHFileOperationA took 2.6 times as long as a copy loop for
    // the same files under Wine, and its result says nothing true.
    CopyJob job{items, movesFirst, {}, {}};
    for (std::size_t i = 0; i < movesFirst.size(); ++i)
        job.freedBy[FoldCase(movesFirst[i].from)] = i;
    const auto result = [&job] {
        return CopyResult{!job.stopped, job.movesDone, job.moveError, job.copyError,
                          job.failedPath};
    };
    // Every folder reached from the root's handle down, made in order.
    FolderTree tree;
    if (const FileResult error = tree.OpenRoot(root); error != kFileOk) {
        return {false, 0, error, error, root};
    }
    // The renames start at once; a folder never takes a moved file's place.
    std::vector<UniqueKernelHandle> mover;
    if (UniqueKernelHandle thread(::CreateThread(nullptr, 0, MoveThread, &job, 0, nullptr)); thread)
        mover.push_back(std::move(thread));
    else
        MoveThread(&job);
    FileResult error;
    job.parents.resize(items.size());
    for (std::size_t i = 0; i < items.size() && !job.stopped; ++i) {
        const std::string& to = items[i].to;
        if (!items[i].source) {
            if (!tree.Folder(to, true, error))
                Failed(job, error, to);
        } else if ((job.parents[i] = tree.Folder(to.substr(0, to.rfind('\\')), false, error))) {
            job.files.push_back(i);
        } else {
            Failed(job, error, to);
        }
    }
    RunThreads(CopyThread, job, kCopiers, std::move(mover), whileCopying);
    return result();
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
