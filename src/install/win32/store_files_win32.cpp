#include "install/win32/store_files_win32.h"

#include <vector>

#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"
#include "install/win32/game_files_win32.h"

namespace quorin::win32 {

namespace {

FileResult Result(BOOL ok) {
    return ok ? kFileOk : FileResultOf(::GetLastError());
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
    return StatePath(path);
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
        return FileResultOf(::GetLastError());
    const UniqueFile copied(
        ::CreateFileW(Widen(to).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!copied || !::FlushFileBuffers(copied.Get())) {
        const FileResult rc = FileResultOf(::GetLastError());
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
        return FileResultOf(::GetLastError());
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
        return FileResultOf(::GetLastError());
    DWORD written = 0;
    if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !::FlushFileBuffers(file.Get()))
        return FileResultOf(::GetLastError());
    return kFileOk;
}

} // namespace quorin::win32
