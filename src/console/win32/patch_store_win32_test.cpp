// The patch store made from a stand-in game on real files under Wine: take
// 1.0.0, update, take 1.0.1, and the switch then goes down and up byte for
// byte; a cancelled take leaves no trace.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "console/version_switch.h"
#include "install/store_take.h"
#include "install/win32/game_files_win32.h"
#include "install/win32/store_files_win32.h"
#include "tests/support/memory_registry.h"
#include "tests/support/qstat_rules.h"
#include "tests/support/win32/window_driver.h"

namespace quorin {
namespace {

using Contents = std::map<std::string, std::string>;

class PatchStoreWin32 : public testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "quorin-store-" + std::to_string(::GetCurrentProcessId());
        tool_ = root_ + "\\tool";
        game_ = root_ + "\\JA\\GameData";
        Put("jamp.exe", test::ReadFileBytes(QUORIN_STANDIN_JAMP100));
        Put("base\\assets0.pk3", std::string(200000, 's'));
        Put("base\\assets1.pk3", "assets1 1.0.0");
        Put("ui\\menu.txt", "menu");
        Put("base\\jampconfig.cfg", "seta name player");
        std::filesystem::create_directories(tool_);
    }
    void TearDown() override { test::RemoveTree(root_); }
    void Put(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path(game_ + "\\" + name);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // Every file below `folder`, by name relative to it, with its bytes.
    static Contents Read(const std::string& folder) {
        Contents out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
            if (e.is_regular_file())
                out[e.path().string().substr(folder.size() + 1)] =
                    test::ReadFileBytes(e.path().string());
        return out;
    }
    TakeResult Take(const std::function<bool(const TakeProgress&)>& going = nullptr) {
        std::string problem;
        const auto version =
            InstalledVersion(std::nullopt, files_.FileVersion(game_ + "\\jamp.exe"), problem);
        EXPECT_EQ(problem, "");
        return StoreTake(files_, tool_, game_).Take(version.value_or(0), going);
    }

    std::string root_, tool_, game_;
    win32::StoreFiles files_;
};

TEST_F(PatchStoreWin32, TakeUpdateTakeMakesAStoreTheSwitchRoundTrips) {
    ASSERT_EQ(Take().outcome, TakeOutcome::Taken);
    const Contents v100 = Read(game_);
    Put("jamp.exe", test::ReadFileBytes(QUORIN_STANDIN_JAMP101));
    Put("base\\assets1.pk3", "assets1 1.0.1");
    Put("base\\assets3.pk3", std::string(100000, '3'));
    Put("base\\added.pk3", "added by the update");
    const Contents v101 = Read(game_);
    const TakeResult second = Take();
    ASSERT_EQ(second.outcome, TakeOutcome::Taken) << second.told;

    const std::string store = tool_ + "\\Patch Files";
    EXPECT_EQ(Read(store + "\\100"), (Contents{{"base\\assets1.pk3", v100.at("base\\assets1.pk3")},
                                               {"jamp.exe", v100.at("jamp.exe")}}));
    Contents only101 = v101;
    for (const char* same : {"base\\assets0.pk3", "ui\\menu.txt", "base\\jampconfig.cfg"})
        only101.erase(same);
    EXPECT_EQ(Read(store + "\\101"), only101);
    const StoreReport report = InspectStore(files_, tool_);
    EXPECT_TRUE(report.Usable() && report.v100.complete && report.v101.complete)
        << (report.problems.empty() ? "" : report.problems.front());

    test::MemoryRegistry registry;
    registry.PutRaw(kGameVersionKey, kInstallPathValue, kRegSz,
                    ToRegistryData(root_ + "\\JA").bytes);
    InstallRecord install(registry);
    install.LoadInstallInfo();
    win32::GameFiles game(tool_);
    const auto run = [&](const char* client) {
        return VersionSwitch(game, install)
            .Run(PlanSwitch(client, tool_, root_ + "\\JA"), nullptr)
            .problem;
    };
    ASSERT_EQ(run("v1.0.1"), "");
    EXPECT_EQ(Read(game_), v100);
    ASSERT_EQ(run("v1.0.0"), "");
    EXPECT_EQ(Read(game_), v101);
}

TEST_F(PatchStoreWin32, ACancelledTakeLeavesNoStore) {
    bool copying = false;
    EXPECT_EQ(
        Take([&](const TakeProgress& p) { return !(copying = copying || p.copying); }).outcome,
        TakeOutcome::Cancelled);
    EXPECT_TRUE(copying);
    EXPECT_EQ(Read(tool_), Contents{});
}

} // namespace
} // namespace quorin
