// A stand-in for the game's multiplayer client "jamp.exe", for tests: writes
// the argument text it was started with and its working folder to the file
// named by QUORIN_JAMP_LOG, then runs until a file of that name plus ".exit"
// appears (60 s at most), as a game runs until the player quits. Without
// QUORIN_JAMP_LOG it says the same in a box, and closing the box quits.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char log[MAX_PATH] = {};
    const bool logged = ::GetEnvironmentVariableA("QUORIN_JAMP_LOG", log, MAX_PATH) != 0;
    // The argument text: what follows the program's path and its blanks.
    std::string line = ::GetCommandLineA();
    std::size_t at = 0;
    if (!line.empty() && line[0] == '"')
        at = line.find('"', 1) == std::string::npos ? line.size() : line.find('"', 1) + 1;
    while (at < line.size() && line[at] != ' ')
        ++at;
    while (at < line.size() && line[at] == ' ')
        ++at;
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    if (!logged) {
        const std::string text = "Stand-in for jamp.exe, started with:\n" +
                                 line.substr(at) + "\nin " + folder + "\n\nOK quits the game.";
        ::MessageBoxA(nullptr, text.c_str(), "Jedi Academy (stand-in)", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    const std::string part = std::string(log) + ".part";
    if (FILE* f = std::fopen(part.c_str(), "wb")) {
        std::fprintf(f, "%s\n%s\n", line.c_str() + at, folder);
        std::fclose(f);
        ::MoveFileExA(part.c_str(), log, MOVEFILE_REPLACE_EXISTING);
    }
    const std::string exit = std::string(log) + ".exit";
    for (int i = 0; i < 600 && ::GetFileAttributesA(exit.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        ::Sleep(100);
    return 0;
}
