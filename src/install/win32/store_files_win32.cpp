#include "install/win32/store_files_win32.h"

#include <vector>

#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"
#include "install/win32/game_files_win32.h"

namespace quorin::win32 {

namespace {

FileResult ResultOf(DWORD error) {
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

FileResult Result(BOOL ok) {
    return ok ? kFileOk : ResultOf(::GetLastError());
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

// A file opened for reading while others may read it too, never through a link.
UniqueFile OpenToRead(const std::string& path) {
    return UniqueFile(
        ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

struct CopyGoing {
    const std::function<bool(std::uint64_t)>& going;
};

DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                            DWORD, HANDLE, HANDLE, LPVOID data) {
    const auto* copy = static_cast<const CopyGoing*>(data);
    return !copy->going || copy->going(static_cast<std::uint64_t>(done.QuadPart))
               ? PROGRESS_CONTINUE
               : PROGRESS_CANCEL;
}

} // namespace

FileState StoreFiles::Stat(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return {};
    return StateOf(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
                   data.ftLastWriteTime);
}

std::optional<std::vector<FileEntry>> StoreFiles::List(const std::string& folder) {
    const FileState state = Stat(folder);
    if (!state.folder || state.link)
        return std::nullopt;
    std::vector<FileEntry> entries;
    ListInto(folder, "", entries);
    return entries;
}

bool StoreFiles::Held(const std::string& path) {
    const UniqueFile file(OpenToRead(path));
    return !file && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

std::optional<std::string> StoreFiles::FileVersion(const std::string& path) {
    return FileVersionOf(path);
}

std::optional<std::uint64_t> StoreFiles::Checksum(const std::string& path,
                                                  const std::function<bool()>& going) {
    const UniqueFile file(OpenToRead(path));
    if (!file)
        return std::nullopt;
    ContentHash hash;
    std::vector<char> buffer(1 << 20);
    for (DWORD read = 0;;) {
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                        nullptr))
            return std::nullopt;
        if (!read)
            return hash.Value();
        hash.Add(buffer.data(), read);
        if (going && !going())
            return std::nullopt;
    }
}

FileResult StoreFiles::CopyInto(const std::string& from, const std::string& to,
                                const std::function<bool(std::uint64_t)>& going) {
    CopyGoing data{going};
    // A copy that is cancelled or fails leaves nothing at `to`.
    if (!::CopyFileExW(Widen(from).c_str(), Widen(to).c_str(), CopyProgress, &data, nullptr,
                       COPY_FILE_FAIL_IF_EXISTS))
        return ResultOf(::GetLastError());
    const UniqueFile copied(
        ::CreateFileW(Widen(to).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!copied || !::FlushFileBuffers(copied.Get())) {
        const FileResult rc = ResultOf(::GetLastError());
        ::DeleteFileW(Widen(to).c_str());
        return rc;
    }
    return kFileOk;
}

FileResult StoreFiles::MakeFolder(const std::string& path) {
    return Result(::CreateDirectoryW(Widen(path).c_str(), nullptr));
}

FileResult StoreFiles::Rename(const std::string& from, const std::string& to) {
    return Result(::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH));
}

FileResult StoreFiles::RemoveFile(const std::string& path) {
    const std::wstring wide = Widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ResultOf(::GetLastError());
    // A link to a folder goes as a folder does; what it points at stays.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return Result(::RemoveDirectoryW(wide.c_str()));
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return Result(::DeleteFileW(wide.c_str()));
}

FileResult StoreFiles::RemoveFolder(const std::string& path) {
    return Result(::RemoveDirectoryW(Widen(path).c_str()));
}

std::optional<std::string> StoreFiles::ReadText(const std::string& path, std::size_t limit) {
    const UniqueFile file(OpenToRead(path));
    if (!file)
        return std::nullopt;
    std::string text(limit + 1, '\0');
    DWORD read = 0;
    if (!::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
        return std::nullopt;
    text.resize(read);
    return text;
}

FileResult StoreFiles::WriteText(const std::string& path, const std::string& text) {
    const UniqueFile file(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ResultOf(::GetLastError());
    DWORD written = 0;
    if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !::FlushFileBuffers(file.Get()))
        return ResultOf(::GetLastError());
    return kFileOk;
}

} // namespace quorin::win32
