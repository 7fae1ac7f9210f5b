#include "console/win32/elevation_win32.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "common/keyed_collection.h"
#include "common/win32/system_dll.h"
#include "common/win32/unique_handle.h"
#include "install/install_record.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/registry_win32.h"

namespace quorin::win32 {

namespace {

constexpr char kReportWord[] = " --report ";

// The file the process that owns `window` runs; empty when it cannot be told.
std::string WindowProgram(HWND window) {
    DWORD id = 0;
    if (!::IsWindow(window) || !::GetWindowThreadProcessId(window, &id))
        return {};
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    char path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!process || !::QueryFullProcessImageNameA(process.Get(), 0, path, &length))
        return {};
    return std::string(path, length);
}

} // namespace

bool Elevation::Needed(const std::string& gameData) {
    if (const char* forced = std::getenv("QUORIN_DELEGATE"); forced && std::string(forced) == "1")
        return true;
    // The marker's key opened for writing, and a file made in the game folder.
    UniqueHkey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameVersionKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                        key.Put()) != ERROR_SUCCESS)
        return true;
    const std::string probe =
        gameData + "\\Quorin rights check " + std::to_string(::GetCurrentProcessId());
    const UniqueFile made(::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                        nullptr));
    return !made;
}

long Elevation::Run(const Transaction& transaction) {
    const std::string program = ProgramPath();
    const std::string parameters = TransactionArguments(transaction) + kReportWord +
                                   std::to_string(reinterpret_cast<std::uintptr_t>(window_));
    // The system's prompt is the window's.
    const UniqueKernelHandle process =
        ShellStart("runas", program, parameters, {}, window_, SW_HIDE, SEE_MASK_NOASYNC);
    if (!process) {
        const DWORD error = ::GetLastError();
        return -static_cast<long>(error ? error : ERROR_FILE_NOT_FOUND);
    }
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.Get(), &code);
    return static_cast<long>(code);
}

int RunElevatedTransaction(const std::string& arguments) {
    const std::size_t at = arguments.rfind(kReportWord);
    if (at == std::string::npos)
        return kTransactionRefused;
    const auto transaction = ParseTransactionArguments(arguments.substr(0, at));
    const std::string number = arguments.substr(at + std::strlen(kReportWord));
    std::uintptr_t handle = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), handle);
    HWND window = reinterpret_cast<HWND>(handle);
    // Only a Quorin of this same file hears how it went.
    if (!transaction || error != std::errc() || end != number.data() + number.size() ||
        !EqualsNoCase(WindowProgram(window), ProgramPath()))
        return kTransactionRefused;

    // The game folder comes from the registry, the patch store from beside
    // this file: nothing else is taken from the command line.
    Win32Registry registry;
    InstallRecord install(registry);
    GameFiles files;
    PatchResult result;
    if (!install.GameKeyExists()) {
        result.switched.problem = "The game's registry key is gone. Nothing changed.";
    } else {
        install.LoadInstallInfo();
        if (transaction->recoverOnly) {
            result.found = VersionSwitch(files, install).Recover();
        } else {
            result = RunPatch(files, install, transaction->patch, [window](int percent) {
                ::PostMessageA(window, kMsgJobProgress, static_cast<WPARAM>(percent), 0);
            });
        }
    }
    const std::string text = FormatPatchResult(result);
    COPYDATASTRUCT data{};
    data.dwData = kReportTag;
    data.cbData = static_cast<DWORD>(text.size());
    data.lpData = const_cast<char*>(text.data());
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                          10000, &answer);
    return kTransactionReported;
}

} // namespace quorin::win32
