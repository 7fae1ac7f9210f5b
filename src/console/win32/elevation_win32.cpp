#include "console/win32/elevation_win32.h"

#include <cstdlib>
#include <cstring>

#include "common/keyed_collection.h"
#include "common/win32/system_dll.h"
#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"
#include "install/install_record.h"
#include "install/win32/folder_handles_win32.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/registry_win32.h"

namespace quorin::win32 {

namespace {

constexpr char kReportWord[] = " --report ";
constexpr char kPipePrefix[] = "\\\\.\\pipe\\Quorin report ";

// A pipe name of ours: the prefix, then digits and single spaces.
bool IsReportPipe(const std::string& name) {
    if (!name.starts_with(kPipePrefix) || name.size() > 80)
        return false;
    const std::string rest = name.substr(std::strlen(kPipePrefix));
    return !rest.empty() && rest.find_first_not_of("0123456789 ") == std::string::npos;
}

// An event-signalled overlapped operation on `pipe`: true once it is done,
// false when it failed or `process` ended first (the operation is then
// cancelled).
bool Finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, HANDLE process, DWORD& bytes) {
    if (started)
        return ::GetOverlappedResult(pipe, &overlapped, &bytes, FALSE);
    const DWORD error = ::GetLastError();
    if (error == ERROR_PIPE_CONNECTED)
        return true;
    if (error != ERROR_IO_PENDING)
        return false;
    HANDLE both[] = {overlapped.hEvent, process};
    if (::WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
        ::CancelIo(pipe);
        ::GetOverlappedResult(pipe, &overlapped, &bytes, TRUE); // the buffer is ours again
        return false;
    }
    return ::GetOverlappedResult(pipe, &overlapped, &bytes, FALSE);
}

// Reads what the copy `process` writes into `pipe` until it closes it.
void ReadReports(HANDLE pipe, HANDLE process, ReportReader& reader,
                 const std::function<void(int)>& progress) {
    const UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event)
        return;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    DWORD bytes = 0;
    if (!Finish(pipe, overlapped, ::ConnectNamedPipe(pipe, &overlapped), process, bytes))
        return;
    // Only the copy's own process is heard; anyone else who got in first
    // keeps the copy out, which then does nothing.
    ULONG client = 0;
    if (!::GetNamedPipeClientProcessId(pipe, &client) || client != ::GetProcessId(process))
        return;
    for (char buffer[1024];;) {
        ::ResetEvent(event.Get());
        const BOOL done =
            ::ReadFile(pipe, buffer, sizeof buffer, nullptr, &overlapped); // until it closes
        if (!Finish(pipe, overlapped, done, process, bytes) && ::GetLastError() != ERROR_MORE_DATA)
            return;
        if (!reader.Take(std::string(buffer, bytes), progress))
            return;
    }
}

} // namespace

namespace {

// QUORIN_DELEGATE=1 takes the elevated path for everything, =marker for the
// marker alone, where every program has the rights (under Wine): each only
// asks for rights that a run might not have needed, never skips a check.
bool Forced(const char* what) {
    const char* forced = std::getenv("QUORIN_DELEGATE");
    return forced && (std::string(forced) == "1" || std::string(forced) == what);
}

} // namespace

bool Elevation::MarkerNeeded() {
    UniqueHkey key;
    return Forced("marker") ||
           ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameVersionKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                           key.Put()) != ERROR_SUCCESS;
}

bool Elevation::Needed(const std::string& gameData) {
    if (Forced("1"))
        return true;
    // A file made in the game folder.
    const std::string probe =
        gameData + "\\Quorin rights check " + std::to_string(::GetCurrentProcessId());
    const UniqueFile made(::CreateFileW(Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                        nullptr));
    return !made;
}

ElevatedRun Elevation::Run(const Transaction& transaction,
                           const std::function<void(int)>& progress) {
    const auto failed = [] {
        const DWORD error = ::GetLastError();
        return ElevatedRun{-static_cast<long>(error ? error : ERROR_FILE_NOT_FOUND), {}};
    };
    // A name no one else can have made first: the first instance of a pipe
    // of one instance, its name new to the system.
    static unsigned serial = 0;
    std::string name;
    UniqueFile pipe;
    for (int tries = 0; !pipe && tries < 8; ++tries) {
        name = kPipePrefix + std::to_string(::GetCurrentProcessId()) + " " +
               std::to_string(::GetTickCount64()) + " " + std::to_string(++serial);
        pipe.Reset(::CreateNamedPipeW(
            Widen(name).c_str(),
            PIPE_ACCESS_INBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
            64 * 1024, 0, nullptr));
    }
    if (!pipe)
        return failed();
    // The system's prompt is the window's.
    const ComApartment com;
    const UniqueKernelHandle process =
        ShellStart("runas", ProgramPath(), TransactionArguments(transaction) + kReportWord + name,
                   {}, window_, SW_HIDE, SEE_MASK_NOASYNC);
    if (!process)
        return failed();
    ReportReader reader;
    ReadReports(pipe.Get(), process.Get(), reader, progress);
    pipe.Reset();
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.Get(), &code);
    return {static_cast<long>(code), reader.Result()};
}

std::optional<std::string> ProcessNames::Listed(unsigned long id) {
    // SYSTEM_PROCESS_ID_INFORMATION, class 88: the image's name by its
    // process id, from the system's list of processes.
    struct {
        HANDLE process;
        USHORT length;
        USHORT maximum;
        wchar_t* buffer;
    } query{reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(id)), 0, 0, nullptr};
    using Query = LONG WINAPI(int, void*, ULONG, ULONG*);
    const auto ask = LoadedFunction<Query>(L"ntdll.dll", "NtQuerySystemInformation");
    std::wstring name(1024, L'\0');
    query.maximum = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    query.buffer = name.data();
    if (!ask || ask(88, &query, sizeof query, nullptr) < 0 || query.length == 0)
        return std::nullopt;
    return Narrow(name.substr(0, query.length / sizeof(wchar_t)));
}

std::optional<std::string> ProcessNames::Opened(unsigned long id) {
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    std::wstring path(32768, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!process || !::QueryFullProcessImageNameW(process.Get(), 0, path.data(), &length))
        return std::nullopt;
    return Narrow(path.substr(0, length));
}

int RunElevatedTransaction(const std::string& arguments) {
    const std::size_t at = arguments.rfind(kReportWord);
    if (at == std::string::npos)
        return kTransactionRefused;
    const auto transaction = ParseTransactionArguments(arguments.substr(0, at));
    const std::string name = arguments.substr(at + std::strlen(kReportWord));
    if (!transaction || !IsReportPipe(name))
        return kTransactionRefused;
    // Its maker may not impersonate this copy beyond telling who it is.
    const UniqueFile pipe(::CreateFileW(Widen(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING,
                                        SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    // Only a Quorin of this same file hears how it went: the pipe's maker is
    // named from the system's list, which needs no rights on its process.
    ULONG server = 0;
    ProcessNames names;
    if (!pipe || !::GetNamedPipeServerProcessId(pipe.Get(), &server) ||
        !RunsThisProgram(names, ::GetCurrentProcessId(), server))
        return kTransactionRefused;
    const auto write = [&pipe](const std::string& line) {
        DWORD written = 0;
        ::WriteFile(pipe.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    };

    // The game folder comes from the registry, the patch store from beside
    // this file: nothing else is taken from the command line.
    Win32Registry registry;
    InstallRecord install(registry);
    GameFiles files;
    PatchResult result;
    if (transaction->marker) // the one value, for a switch made with the player's rights
        return install.GameKeyExists() &&
                       install.WriteMagic(static_cast<std::int32_t>(*transaction->marker))
                   ? kTransactionReported
                   : kMarkerRefused;
    if (!install.GameKeyExists()) {
        result.switched.problem = "The game's registry key is gone. Nothing changed.";
    } else {
        install.LoadInstallInfo();
        // Nothing is written with these rights where another account could
        // redirect it.
        std::optional<HeldFolders> guard;
        if (const std::string problem = InstallPathProblem(install.InstallPath()); !problem.empty())
            result.switched.problem = problem;
        else
            guard = GuardForAdministrators(GameDataFolder(install.InstallPath()),
                                           result.switched.problem);
        if (guard && transaction->recoverOnly)
            result.recovery = VersionSwitch(files, install).Recover();
        else if (guard)
            result = RunPatch(files, install, transaction->patch,
                              [&](int percent) { write(ProgressLine(percent)); });
    }
    write(ResultLine(result));
    return kTransactionReported;
}

} // namespace quorin::win32
