// The switch's plan made concrete and checked before anything is touched:
// every file the copies will write, each opened once in the patch store,
// what each will replace, and the journal that can put it all back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console/game_plans.h"
#include "console/switch_journal.h"
#include "install/game_files.h"

namespace quorin {

struct PlannedFile {
    std::string source;
    std::string relative; // below "GameData"
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    bool folder = false;
    std::unique_ptr<ISource> opened = nullptr; // a file's, held until the switch ends
};

struct PreparedSwitch {
    SwitchJournal journal; // its marker still to be read
    std::vector<PlannedFile> planned;
    std::uint64_t bytes = 0; // the files' sizes, summed
};

// Checks `plan` against the patch store and the game folder `gameData`
// (links, names, lengths, the files a switch down must replace, the room on
// the drive) and fills `out`. Why the switch cannot start, in words for the
// player; empty when it can.
std::string PrepareSwitch(IGameFiles& files, const std::string& gameData, const SwitchPlan& plan,
                          PreparedSwitch& out);

} // namespace quorin
