// The copy's threads on real files: the renames stop once a copy has failed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "install/win32/game_files_win32.h"
#include "tests/support/game_folder.h"

namespace quorin {
namespace {

TEST(CopyFilesWin32, TheRenamesStopAfterACopyFails) {
    test::GameFolder folder = test::MakeGameFolder();
    IGameFiles& files = *folder.files;
    const std::string game = folder.root + "\\game", aside = game + "\\aside";
    for (const std::string& made : {game, aside, folder.root + "\\patch"})
        files.MakeFolder(made);
    const auto put = [](const std::string& path) { std::ofstream(path) << "x"; };
    put(folder.root + "\\patch\\file");
    put(game + "\\in the way");
    // Many renames, and a first copy that fails at once: its place is taken.
    constexpr std::size_t kMoves = 400;
    std::vector<Move> moves;
    for (std::size_t i = 0; i < kMoves; ++i) {
        moves.push_back({game + "\\" + std::to_string(i), aside + "\\" + std::to_string(i)});
        put(moves.back().from);
    }
    FileResult error;
    std::unique_ptr<ISource> source = files.OpenSource(folder.root + "\\patch\\file", error);
    const CopyResult copy =
        files.CopyFiles(game, {{game + "\\in the way", source.get()}}, moves, {});

    EXPECT_EQ(copy.copyError, kFileExists);
    EXPECT_EQ(copy.moveError, kFileOk);
    EXPECT_LT(copy.movesDone, kMoves);
    // Each file is in one place, aside exactly when the result counts it moved,
    // as the roll-back reads them.
    std::size_t misplaced = 0;
    for (std::size_t i = 0; i < kMoves; ++i)
        misplaced += files.Stat(moves[i].from).exists == (i < copy.movesDone) ||
                     files.Stat(moves[i].to).exists != (i < copy.movesDone);
    EXPECT_EQ(misplaced, 0u);
    source.reset();
    std::filesystem::remove_all(folder.root);
}

} // namespace
} // namespace quorin
