#include "install/win32/game_files_win32.h"

#include <shellapi.h>

#include "common/win32/unique_handle.h"

namespace quorin::win32 {

bool GameFiles::FileExists(const std::string& path) {
    WIN32_FIND_DATAA found{};
    UniqueFind search(::FindFirstFileA(path.c_str(), &found));
    if (!search)
        return false;
    const DWORD excluded = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    return found.cFileName[0] != '\0' && (found.dwFileAttributes & excluded) == 0;
}

bool GameFiles::RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

bool GameFiles::CopyFiles(const CopyStep& step) {
    // Lists of one entry: the text, then two NULs.
    std::string from = step.sourcePattern + std::string(2, '\0');
    std::string to = step.destination + std::string(2, '\0');
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = owner_;
    operation.wFunc = FO_COPY;
    operation.pFrom = from.c_str();
    operation.pTo = to.c_str();
    operation.fFlags = FOF_MULTIDESTFILES | FOF_SILENT | FOF_NOCONFIRMATION; // 0x15
    const int result = ::SHFileOperationA(&operation);
    // The shell's result alone proves nothing (Wine reports success for a
    // missing source and for a file it could not replace): look on disk.
    const std::size_t slash = step.sourcePattern.find_last_of('\\');
    return result == 0 && !operation.fAnyOperationsAborted &&
           FilesInPlace(step.sourcePattern.substr(0, slash), step.destination);
}

bool FilesInPlace(const std::string& sourceFolder, const std::string& destination) {
    const DWORD attributes = ::GetFileAttributesA(sourceFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    WIN32_FIND_DATAA entry{};
    UniqueFind search(::FindFirstFileA((sourceFolder + "\\*").c_str(), &entry));
    if (!search)
        return true; // an empty folder
    std::string base = destination;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!FilesInPlace(sourceFolder + "\\" + name, base + name))
                return false;
            continue;
        }
        WIN32_FILE_ATTRIBUTE_DATA copied{};
        if (!::GetFileAttributesExA((base + name).c_str(), GetFileExInfoStandard, &copied) ||
            copied.nFileSizeHigh != entry.nFileSizeHigh || copied.nFileSizeLow != entry.nFileSizeLow ||
            ::CompareFileTime(&copied.ftLastWriteTime, &entry.ftLastWriteTime) != 0)
            return false;
    } while (::FindNextFileA(search.Get(), &entry));
    return true;
}

void GameFiles::StartAndWait(const LaunchRequest& request) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info; // 60 on 32-bit Windows, larger on 64-bit
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner_;
    info.lpVerb = request.verb.c_str();
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.c_str();
    info.lpDirectory = request.directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExA(&info); // a failed start leaves hProcess null: nothing to wait for
    if (info.hProcess) {
        UniqueKernelHandle process(info.hProcess);
        ::WaitForSingleObject(process.Get(), INFINITE);
    }
}

std::string GameFiles::ToolFolder() {
    if (!toolFolder_.empty())
        return toolFolder_;
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

} // namespace quorin::win32
