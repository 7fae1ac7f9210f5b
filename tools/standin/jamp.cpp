// A stand-in for the game's multiplayer client "jamp.exe", for tests: writes
// the argument text it was started with and its working folder to the file
// named by QUORIN_JAMP_LOG, then runs until a file of that name plus ".exit"
// appears (60 s at most), as a game runs until the player quits. Without
// QUORIN_JAMP_LOG it says the same in a box, and closing the box quits.
#include <windows.h>

#include <cstdio>
#include <string>

#include "console/command_line.h"

int main() {
    char log[MAX_PATH] = {};
    const bool logged = ::GetEnvironmentVariableA("QUORIN_JAMP_LOG", log, MAX_PATH) != 0;
    const std::string arguments(quorin::ArgumentText(::GetCommandLineA()));
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    if (!logged) {
        const std::string text = "Stand-in for jamp.exe, started with:\n" + arguments + "\nin " +
                                 folder + "\n\nOK quits the game.";
        ::MessageBoxA(nullptr, text.c_str(), "Jedi Academy (stand-in)", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    const std::string part = std::string(log) + ".part";
    if (FILE* f = std::fopen(part.c_str(), "wb")) {
        std::fprintf(f, "%s\n%s\n", arguments.c_str(), folder);
        std::fclose(f);
        ::MoveFileExA(part.c_str(), log, MOVEFILE_REPLACE_EXISTING);
    }
    const std::string exit = std::string(log) + ".exit";
    for (int i = 0; i < 600 && ::GetFileAttributesA(exit.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        ::Sleep(100);
    return 0;
}
