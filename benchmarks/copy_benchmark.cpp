// Times the switch's copy of one patch folder (the shell's copy and the
// check on disk), as the tool makes it: copy_benchmark "SOURCE\*.*" "DEST\"
#include "common/win32/win.h"

#include <cstdio>

#include "install/win32/game_files_win32.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: copy_benchmark SOURCE\\*.* DESTINATION\\\n");
        return 2;
    }
    quorin::win32::GameFiles files;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const bool ok = files.CopyFiles({argv[1], argv[2]});
    ::QueryPerformanceCounter(&end);
    std::printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
    return ok ? 0 : 1;
}
