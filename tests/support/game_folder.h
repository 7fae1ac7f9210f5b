// An empty folder for the game folder's contract test: in memory natively,
// a real one in the temporary folder under Wine, removed by the test.
#pragma once

#include <memory>
#include <string>

#include "install/game_files.h"

namespace quorin::test {

struct GameFolder {
    std::unique_ptr<IGameFiles> files;
    std::string root; // without a trailing "\"
};

GameFolder MakeGameFolder();
// Marks a file read-only, as files from a disc are.
void MakeReadOnly(GameFolder& folder, const std::string& path);

} // namespace quorin::test
