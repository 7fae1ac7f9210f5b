#include "tests/support/game_folder.h"
#include "tests/support/memory_files.h"

namespace quorin::test {

GameFolder MakeGameFolder() {
    auto files = std::make_unique<MemoryFiles>();
    files->Folder("C:\\Contract");
    return {std::move(files), "C:\\Contract"};
}

void MakeReadOnly(GameFolder& folder, const std::string& path) {
    static_cast<MemoryFiles&>(*folder.files).nodes[FoldCase(path)].state.readOnly = true;
}

} // namespace quorin::test
