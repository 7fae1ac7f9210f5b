// Times the version switch with its safety net (checks, journal, files moved
// aside, the copy, each copy flushed, the check on disk) against the
// platform's floor for a copy as durable: CopyFileA and FlushFileBuffers for
// each file.
//   copy_benchmark switch TOOLFOLDER    (the game folder from the registry)
//   copy_benchmark copyfile SOURCE DESTINATION
#include "common/win32/win.h"

#include <cstdio>
#include <cstring>

#include "common/win32/unique_handle.h"
#include "console/version_switch.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/registry_win32.h"

namespace {

// Has the system write a copied file out to the disk, as the switch does
// before it commits.
bool Flush(const std::string& path) {
    const quorin::win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                       nullptr, OPEN_EXISTING, 0, nullptr));
    return file && ::FlushFileBuffers(file.Get());
}

// The floor: every file copied with CopyFileA and flushed, nothing more.
bool CopyTree(const std::string& from, const std::string& to) {
    ::CreateDirectoryA(to.c_str(), nullptr);
    quorin::win32::GameFiles files;
    for (const quorin::FileEntry& e : files.List(from).value_or(std::vector<quorin::FileEntry>{})) {
        const std::string target = to + "\\" + e.path;
        if (e.state.folder ? !::CreateDirectoryA(target.c_str(), nullptr) &&
                                 ::GetLastError() != ERROR_ALREADY_EXISTS
                           : !::CopyFileA((from + "\\" + e.path).c_str(), target.c_str(), FALSE) ||
                                 !Flush(target))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bool switching = argc == 3 && std::strcmp(argv[1], "switch") == 0;
    if (!switching && !(argc == 4 && std::strcmp(argv[1], "copyfile") == 0)) {
        std::fprintf(stderr,
                     "usage: copy_benchmark switch TOOLFOLDER | copyfile SOURCE DESTINATION\n");
        return 2;
    }
    quorin::win32::Win32Registry registry;
    quorin::InstallRecord install(registry);
    install.LoadInstallInfo();
    quorin::win32::GameFiles files(argv[2]);
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const bool ok =
        switching ? quorin::VersionSwitch(files, install)
                            .Run(quorin::PlanSwitch("v1.0.0", argv[2], install.InstallPath()), {})
                            .outcome == quorin::SwitchOutcome::Switched
                  : CopyTree(argv[2], argv[3]);
    ::QueryPerformanceCounter(&end);
    std::printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
    return ok ? 0 : 1;
}
