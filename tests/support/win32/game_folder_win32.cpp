#include "install/win32/game_files_win32.h"
#include "tests/support/game_folder.h"

namespace quorin::test {

GameFolder MakeGameFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    static int made = 0;
    const std::string root = std::string(temp) + "quorin-contract-" +
                             std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++made);
    ::CreateDirectoryA(root.c_str(), nullptr);
    return {std::make_unique<win32::GameFiles>(), root};
}

void MakeReadOnly(GameFolder&, const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

} // namespace quorin::test
