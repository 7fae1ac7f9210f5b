// Any journal a process of the player's can leave in the game folder: the
// parse never fails, obeys only names that stay inside "GameData", and
// writes back what it accepts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/switch_journal.h"
#include "console/switch_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto journal =
        quorin::ParseJournal(std::string(reinterpret_cast<const char*>(data), size));
    if (!journal)
        return 0;
    for (const auto* names : {&journal->folders, &journal->newFiles, &journal->movedFiles})
        for (const std::string& name : *names)
            if (!quorin::IsConfinedName(name))
                std::abort();
    if (quorin::ParseJournal(quorin::FormatJournal(*journal)) != journal)
        std::abort();
    return 0;
}
