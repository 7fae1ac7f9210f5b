// Folders reached and held through handles: a name opened below a folder's
// handle, the copy's tree of folders, and the elevated copy's guard.
#include "install/win32/folder_handles_win32.h"

#include <vector>

#include "common/keyed_collection.h"
#include "common/win32/system_dll.h"
#include "common/win32/wide_text.h"
#include "install/win32/game_files_win32.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

namespace quorin::win32 {

UniqueFile OpenBelow(HANDLE parent, const std::string& name, ACCESS_MASK access, ULONG share,
                     ULONG disposition, ULONG options, FileResult& error) {
    using Create = decltype(::NtCreateFile);
    using ToError = ULONG WINAPI(LONG);
    static const auto create = LoadedFunction<Create>(L"ntdll.dll", "NtCreateFile");
    static const auto toError = LoadedFunction<ToError>(L"ntdll.dll", "RtlNtStatusToDosError");
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

FileResult FolderTree::OpenRoot(const std::string& root) {
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

HANDLE FolderTree::Folder(const std::string& path, bool make, FileResult& error) {
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

} // namespace

std::optional<HeldFolders> GuardForAdministrators(const std::string& gameData,
                                                  std::string& problem) {
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
            return std::nullopt;
        }
        chain.push_back(gameData.substr(0, ++from));
    }
    for (std::size_t at; (at = gameData.find('\\', from)) != std::string::npos; from = at + 1)
        chain.push_back(gameData.substr(0, at));
    chain.push_back(gameData);
    HeldFolders held;
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
            return std::nullopt;
        }
        if (error != kFileOk) {
            problem = quoted(folder) + " cannot be opened (system error " +
                      std::to_string(error.system) + "). Nothing changed.";
            return std::nullopt;
        }
        held.folders.push_back(std::move(handle));
    }
    static const bool wine = LoadedFunction<void()>(L"ntdll.dll", "wine_get_version");
    std::string owner;
    std::vector<AccessEntry> entries;
    if (!wine && (!AccessOf(held.folders.back().Get(), owner, entries) ||
                  !OnlyAdministratorsChange(owner, entries))) {
        problem = quoted(gameData) +
                  " may be changed by accounts that are not administrators, so Quorin does not "
                  "switch it with administrator rights: what it wrote there could be turned "
                  "against you. Switch as the account that may change it, or let only "
                  "administrators change it. Nothing changed.";
        return std::nullopt;
    }
    return held;
}

} // namespace quorin::win32
