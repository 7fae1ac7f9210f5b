// The version switch on real files under Wine: the copies checked on disk,
// links as the failure, the real registry's marker, the real tool killed
// mid-copy, and the switch done by an elevated copy of the tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "browser/win32/browser_window.h"
#include "common/win32/controls.h"
#include "console/layout.h"
#include "console/version_switch.h"
#include "console/win32/form1_window.h"
#include "tests/support/qstat_rules.h"
#include "tests/support/win32/live_services.h"
#include "tests/support/win32/peer_ports.h"
#include "tests/support/win32/window_driver.h"

#include <tlhelp32.h>

namespace quorin {
namespace {

using test::ReadFileBytes;
void Write(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

class GameSwitchTest : public test::LiveServicesTest {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "quorin-switch-" + std::to_string(::GetCurrentProcessId());
        tool_ = root_ + "\\tool";
        game_ = root_ + "\\game";
        std::filesystem::create_directories(game_ + "\\GameData\\base");
        Write(tool_ + "\\Patch Files\\101\\jamp.exe", "client 1.0.1, longer");
        Write(tool_ + "\\Patch Files\\101\\ui\\menu.txt", "menu 1.0.1");
        Write(tool_ + "\\Patch Files\\101\\base\\assets3.pk3", std::string(300000, 'a'));
        Write(game_ + "\\GameData\\jamp.exe", "client 1.0.0");
        rig_.Install(kMagic100, game_);
        rig_.install.LoadInstallInfo();
        files_ = win32::GameFiles(tool_);
    }
    void TearDown() override {
        if (first_)
            End(first_.Get()); // a tool a failed test left running
        LiveServicesTest::TearDown();
        test::RemoveTree(root_);
    }
    std::string Magic() { return rig_.install.ReadMagic(); }
    // The real tool, a copy in the tool folder, patching a game whose 1.0.1
    // store holds a file of `size` bytes besides: started against `port`,
    // it shows "Needs patched!" and is clicked on Patch. Its status label.
    HWND StartPatching(int port, std::int64_t size) {
        using namespace std::chrono_literals;
        EXPECT_TRUE(::CopyFileA(QUORIN_EXE, Exe().c_str(), FALSE));
        EXPECT_TRUE(test::MakeSparseFile(tool_ + "\\Patch Files\\101\\base\\big.pk3", size));
        std::tie(first_, firstId_) = Start(port);
        HWND main = test::WaitForProcessWindow(firstId_, kAppTitle, 20s);
        HWND status = ::GetDlgItem(::GetDlgItem(main, kIdStatusBar), kIdStatus);
        if (!main || test::WaitForText(status, kNeedsPatched) != kNeedsPatched)
            return nullptr;
        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdPatch, STN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(main, kIdPatch)));
        return status;
    }
    std::string Exe() const { return tool_ + "\\quorin.exe"; }
    std::pair<win32::UniqueKernelHandle, DWORD> Start(int port) const {
        return test::StartProcess("\"" + Exe() + "\" +connect 127.0.0.1:" + std::to_string(port),
                                  tool_.c_str());
    }
    static bool Midway(const std::string& status) {
        return status.starts_with("Patching.... ") && status != "Patching.... 0%" &&
               status != "Patching.... 100%";
    }
    static void End(HANDLE process) {
        ::TerminateProcess(process, 0);
        ::WaitForSingleObject(process, 10000);
    }
    win32::UniqueKernelHandle first_;
    DWORD firstId_ = 0;
    // Every file and folder of the installation with its bytes, and the marker as stored.
    auto Snapshot() {
        std::vector<std::tuple<std::string, bool, std::uint64_t, std::uint64_t, std::string>> tree;
        for (const FileEntry& e : files_.List(game_).value_or(std::vector<FileEntry>{}))
            if (e.state.folder) // a folder's own time follows what comes and goes in it
                tree.emplace_back(e.path, true, 0, 0, "");
            else
                tree.emplace_back(e.path, false, e.state.size, e.state.writeTime,
                                  ReadFileBytes(game_ + "\\" + e.path));
        return std::pair{tree, backend_->GetRaw(kGameVersionKey, kMagicValue)};
    }

    std::string root_, tool_, game_;
};

// The real tool, painting its progress through a gigabyte's copy, ended in
// the middle of it as a crash or a power cut would end it, then started again.
TEST_F(GameSwitchTest, AToolEndedMidCopyIsRolledBackAtItsNextStart) {
    QUORIN_PEER_PORT(port, "v101");
    using namespace std::chrono_literals;
    Write(game_ + "\\GameData\\base\\assets3.pk3", "old assets");
    const auto before = Snapshot();
    HWND status = StartPatching(port, 1ll << 30);
    ASSERT_TRUE(status);
    // The window answers while it copies, and paints the copy's progress.
    const std::string copied = game_ + "\\GameData\\base\\big.pk3";
    char text[64] = {};
    bool answered = true;
    for (int i = 0; i < 3000 && answered && !(Midway(text) && files_.Stat(copied).size);
         ++i, ::Sleep(10))
        answered =
            ::SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                  SMTO_NORMAL, 5000, nullptr);
    // A second Quorin started meanwhile leaves the switch alone and says so.
    const auto [other, otherId] = Start(port);
    EXPECT_TRUE(test::WaitForProcessWindow(otherId, "Version switch running", 20s));
    End(other.Get());
    EXPECT_TRUE(files_.Stat(game_ + "\\GameData\\Quorin switch\\0").exists);
    End(first_.Get());
    ASSERT_TRUE(answered);
    ASSERT_TRUE(Midway(text)) << text;
    ASSERT_LT(files_.Stat(copied).size, 1ull << 30) << "the copy ended before the tool did";
    EXPECT_EQ(Magic(), "599925");
    EXPECT_TRUE(files_.Stat(game_ + "\\GameData\\Quorin switch\\journal.txt").exists);

    const auto [second, secondId] = Start(port);
    HWND told = test::WaitForProcessWindow(secondId, "Version switch undone", 20s);
    ASSERT_TRUE(told);
    EXPECT_NE(win32::WindowText(::GetDlgItem(told, 0xFFFF)).find("put back as it was before"),
              std::string::npos); // 0xFFFF: the box's message
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(Magic(), "0");
    EXPECT_FALSE(files_.Stat(game_ + "\\GameData\\Quorin switch").exists);
    End(second.Get());
}

// The session ending mid-switch: the window asks Windows to wait, and once
// the session ends anyway the tool ends only after the switch has.
TEST_F(GameSwitchTest, TheSessionsEndWaitsForTheSwitch) {
    QUORIN_PEER_PORT(port, "v101");
    HWND status = StartPatching(port, 1ll << 30);
    ASSERT_TRUE(status);
    // Any moment of the copy will do, its first 0% too: a fast disk leaves
    // little time to see a percentage between.
    const auto switching = [](const std::string& text) {
        return text.starts_with("Patching.... ") && text != "Patching.... 100%";
    };
    char text[64] = {};
    for (int i = 0; i < 3000 && !switching(text); ++i, ::Sleep(10))
        ::SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                              SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(switching(text)) << text;
    HWND main = ::GetParent(::GetParent(status));
    DWORD_PTR mayEnd = 1;
    ::SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                          &mayEnd);
    EXPECT_EQ(mayEnd, 0u);
    ::PostMessageA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ASSERT_EQ(::WaitForSingleObject(first_.Get(), 60000), WAIT_OBJECT_0);
    EXPECT_EQ(files_.Stat(game_ + "\\GameData\\base\\big.pk3").size, 1ull << 30);
    EXPECT_FALSE(files_.Stat(game_ + "\\GameData\\Quorin switch\\journal.txt").exists);
}

// Without the rights to switch (forced here: under Wine every program has
// them), a second quorin.exe, started with the "runas" verb, does the switch
// while the window shows its progress and answers.
TEST_F(GameSwitchTest, AnElevatedCopySwitchesWhileTheWindowAnswers) {
    QUORIN_PEER_PORT(port, "v101");
    // The name earlier releases locked a switch with, taken by another program.
    std::uint32_t hash = 2166136261u;
    for (char c : FoldCase(game_ + "\\GameData"))
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
    char name[64];
    std::snprintf(name, sizeof name, "Global\\Quorin switch %08lx",
                  static_cast<unsigned long>(hash));
    const win32::UniqueKernelHandle squatted(::CreateMutexA(nullptr, TRUE, name));
    ::SetEnvironmentVariableA("QUORIN_DELEGATE", "1");
    HWND status = StartPatching(port, 1ll << 30);
    ::SetEnvironmentVariableA("QUORIN_DELEGATE", nullptr);
    ASSERT_TRUE(status);
    // Other quorin.exe processes than the first: the elevated copy.
    const auto copies = [this] {
        int count = 0;
        const win32::UniqueKernelHandle all(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (bool more = ::Process32First(all.Get(), &entry); more;
             more = ::Process32Next(all.Get(), &entry))
            count +=
                entry.th32ProcessID != firstId_ && _stricmp(entry.szExeFile, "quorin.exe") == 0;
        return count;
    };
    // (A gigabyte, so that the copy outlasts a few of the window's ticks.)
    // What any program may send the window: a progress, a result and the
    // job's end, as earlier releases took them, while the copy switches.
    HWND main = ::GetParent(::GetParent(status));
    std::string fake = "- 3 download http://203.0.113.9/fix.exe";
    COPYDATASTRUCT data{0x51524F52, static_cast<DWORD>(fake.size()), fake.data()};
    const auto sendFakes = [&] {
        ::PostMessageA(main, WM_APP + 3, 4242, 0);
        ::SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                              1000, nullptr);
        ::PostMessageA(main, win32::kMsgJobFinished, 0, 0);
    };
    std::set<std::string> shown;
    int mostCopies = 0;
    DWORD slowest = 0;
    for (int i = 0; i < 6000 && !shown.contains(kPatchedReady); ++i, ::Sleep(10)) {
        if (i % 20 == 0)
            sendFakes();
        char text[64] = {};
        const DWORD asked = ::GetTickCount();
        if (!::SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                   SMTO_NORMAL, 5000, nullptr))
            break;
        slowest = std::max(slowest, ::GetTickCount() - asked);
        shown.insert(text);
        mostCopies = std::max(mostCopies, copies());
    }
    // The client label reads the version the installation now holds.
    const std::string client = win32::WindowText(::GetDlgItem(main, kIdClientVersion));
    const bool failureBox = ::FindWindowA(nullptr, "Patch failed");
    End(first_.Get());
    EXPECT_EQ(client, "v1.0.1");
    EXPECT_TRUE(shown.contains(kPatchedReady));
    EXPECT_FALSE(failureBox);
    EXPECT_FALSE(shown.contains("Patching.... 4242%"));
    EXPECT_EQ(mostCopies, 1);
    EXPECT_LT(slowest, 500u);
    // The job's own progress reached the window (how far it had come when a
    // tick showed it depends on the machine: the gigabyte is written in
    // half a second here, and flushed for longer at 100%).
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const std::string& text) {
        return text.starts_with("Patching.... ") && text.ends_with("%") &&
               text != "Patching.... 4242%";
    })) << ::testing::PrintToString(shown);
    EXPECT_EQ(Magic(), "599925");
    EXPECT_EQ(files_.Stat(game_ + "\\GameData\\base\\big.pk3").size, 1ull << 30);
    EXPECT_EQ(ReadFileBytes(game_ + "\\GameData\\jamp.exe"), "client 1.0.1, longer");
    EXPECT_EQ(ReadFileBytes(game_ + "\\GameData\\ui\\menu.txt"), "menu 1.0.1");
}

// Where only the marker's key needs administrator rights (forced here), the
// window's own process switches the files and an elevated copy writes the
// marker alone.
TEST_F(GameSwitchTest, OnlyTheMarkerIsWrittenByAnElevatedCopy) {
    QUORIN_PEER_PORT(port, "v101");
    ::SetEnvironmentVariableA("QUORIN_DELEGATE", "marker");
    HWND status = StartPatching(port, 1 << 20);
    ::SetEnvironmentVariableA("QUORIN_DELEGATE", nullptr);
    ASSERT_TRUE(status);
    EXPECT_EQ(test::WaitForText(status, kPatchedReady), kPatchedReady);
    End(first_.Get());
    EXPECT_EQ(Magic(), "599925");
    EXPECT_EQ(ReadFileBytes(game_ + "\\GameData\\jamp.exe"), "client 1.0.1, longer");
}

// Game folders with links in them, made on the Unix side (Wine shows them
// as reparse points): Quorin's own folder a link, and "ui", where the 1.0.1
// menu goes, a link; each to a folder outside the game.
TEST_F(GameSwitchTest, NothingIsDoneThroughALink) {
    std::string links = QUORIN_LINKS_DIR;
    std::replace(links.begin(), links.end(), '/', '\\');
    const std::string victim = links + "\\victim";
    const auto victimFiles = [&] {
        return ReadFileBytes(victim + "\\precious.txt") + " " +
               std::to_string(files_.List(victim).value_or(std::vector<FileEntry>{}).size());
    };
    const std::string victimBefore = victimFiles();
    for (const char* game : {"game-folder", "game-ui"}) {
        rig_.Install(kMagic100, links + "\\" + game);
        rig_.install.LoadInstallInfo();
        const SwitchResult result = VersionSwitch(files_, rig_.install)
                                        .Run(PlanSwitch("v1.0.0", tool_, links + "\\" + game), {});
        EXPECT_EQ(result.outcome, SwitchOutcome::NotStarted) << game;
        EXPECT_NE(result.problem.find("link"), std::string::npos) << result.problem;
        EXPECT_EQ(victimFiles(), victimBefore) << game;
        EXPECT_EQ(ReadFileBytes(links + "\\" + game + "\\GameData\\jamp.exe"), "client 1.0.0\n");
        EXPECT_EQ(Magic(), "0");
    }
}

// Links at "GameData", at "GameData\\base" put there while the switch runs,
// at a patch folder; files added to and replaced in the store meanwhile:
// nothing outside "GameData" changes, and nothing outside the plan reaches it.
TEST_F(GameSwitchTest, NoLinkOrLateStoreFileIsFollowed) {
    std::string links = QUORIN_LINKS_DIR;
    std::replace(links.begin(), links.end(), '/', '\\');
    const auto victim = [&] {
        return ReadFileBytes(links + "\\victim\\precious.txt") + " " +
               std::to_string(
                   files_.List(links + "\\victim").value_or(std::vector<FileEntry>{}).size());
    };
    const std::string before = victim();
    struct Meddling : win32::GameFiles {
        using GameFiles::GameFiles;
        std::function<void()> first;
        CopyResult CopyFiles(const std::string& root, const std::vector<CopyItem>& items,
                             const std::vector<Move>& moves,
                             const std::function<void()>& whileCopying) override {
            first();
            return GameFiles::CopyFiles(root, items, moves, whileCopying);
        }
    } files(tool_);
    std::string replaced;
    files.first = [&] {
        // Wine moves what a link names, not the link: the folder that holds
        // one takes GameData's place instead.
        const std::string swap = links + "\\game-swap";
        ::MoveFileA((swap + "\\GameData").c_str(), (swap + "\\GameData-real").c_str());
        ::MoveFileA((swap + "\\staging").c_str(), (swap + "\\GameData").c_str());
        Write(tool_ + "\\Patch Files\\101\\evil.dll", "evil");
        std::ofstream(tool_ + "\\Patch Files\\101\\jamp.exe", std::ios::binary) << "replaced";
        replaced = ReadFileBytes(tool_ + "\\Patch Files\\101\\jamp.exe");
    };
    const std::pair<const char*, const char*> cases[] = {
        {"game-gamedata", "v1.0.0"}, {"game-swap", "v1.0.0"}, {"game-swap", "v1.0.1"}};
    for (const auto& [game, client] : cases) {
        const std::string folder = links + "\\" + game;
        rig_.Install(kMagic100, folder);
        rig_.install.LoadInstallInfo();
        const std::string tool = std::string(client) == "v1.0.1" ? links + "\\tool-linked" : tool_;
        const SwitchResult result =
            VersionSwitch(files, rig_.install).Run(PlanSwitch(client, tool, folder), {});
        EXPECT_NE(result.outcome, SwitchOutcome::Switched) << game << " " << result.problem;
        EXPECT_EQ(victim(), before) << game;
    }
    EXPECT_EQ(replaced, "client 1.0.1, longer"); // held open since the plan
    EXPECT_FALSE(files_.Stat(links + "\\game-swap\\GameData-real\\evil.dll").exists);
}

TEST_F(GameSwitchTest, ReadsTheVersionJampExeNamesInItsResource) {
    const std::pair<const char*, const char*> cases[] = {{QUORIN_STANDIN_JAMP, "none"},
                                                         {QUORIN_STANDIN_JAMP100, "1.0.0.0"},
                                                         {QUORIN_STANDIN_JAMP101, "1.0.1.0"}};
    for (const auto& [exe, seen] : cases)
        EXPECT_EQ(files_.FileVersion(exe).value_or("none"), seen) << exe;
}

// Started without an address, the real tool lists the stand-in master's
// servers; Enter on the 1.0.1 one, from this 1.0.0 game, asks once, switches
// (files and marker, as Patch) and starts the game connected to it.
TEST_F(GameSwitchTest, TheListJoinsAServerOfTheOtherVersionInOneStep) {
    using namespace std::chrono_literals;
    QUORIN_PEER_PORT(master, "master");
    QUORIN_PEER_PORT(server, "v101");
    // Stand-in clients that write how they were started, in the game and the store.
    ASSERT_TRUE(::CopyFileA(QUORIN_STANDIN_JAMP, (game_ + "\\GameData\\jamp.exe").c_str(), FALSE));
    ASSERT_TRUE(
        ::CopyFileA(QUORIN_STANDIN_JAMP, (tool_ + "\\Patch Files\\101\\jamp.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(QUORIN_EXE, Exe().c_str(), FALSE));
    const std::string masters = "127.0.0.1:" + std::to_string(master);
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quorin", "Masters", REG_SZ,
                                masters.c_str(), static_cast<DWORD>(masters.size() + 1)),
              ERROR_SUCCESS);
    const std::string log = root_ + "\\jamp.log";
    ::SetEnvironmentVariableA("QUORIN_JAMP_LOG", log.c_str());
    std::tie(first_, firstId_) = test::StartProcess("\"" + Exe() + "\"", tool_.c_str());
    ::SetEnvironmentVariableA("QUORIN_JAMP_LOG", nullptr);
    HWND window = test::WaitForProcessWindow(firstId_, "Quorin - Servers", 20s);
    ASSERT_TRUE(window);
    HWND list = ::GetDlgItem(window, win32::kIdList);
    HWND bar = ::GetDlgItem(window, win32::kIdStatusBar);
    for (int i = 0; i < 400 && (win32::WindowText(bar).empty() ||
                                win32::WindowText(bar).find("Refreshing") != std::string::npos);
         ++i)
        ::Sleep(50);
    ::SendMessageA(::GetDlgItem(window, win32::kIdFind), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>("Stand-in 1.0.1"));
    for (int i = 0; i < 100 && ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) != 1; ++i)
        ::Sleep(50);
    ASSERT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1) << win32::WindowText(bar);
    std::string asked;
    {
        test::WindowWatcher question("Join", [&](HWND box) {
            asked = win32::WindowText(::GetDlgItem(box, 0xFFFF));
            test::PostClick(box, IDYES);
        });
        ::PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
        ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
        for (int i = 0; i < 1200 && !std::filesystem::exists(log); ++i)
            ::Sleep(50);
    }
    const std::string started = ReadFileBytes(log);
    Write(log + ".exit", "quit");
    End(first_.Get());
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Quorin", "Masters");
    EXPECT_EQ(asked, "This server plays 1.0.1; the game is 1.0.0. Switch and join?");
    EXPECT_EQ(started.substr(0, started.find('\n')),
              "+connect 127.0.0.1:" + std::to_string(server));
    EXPECT_EQ(Magic(), "599925");
    EXPECT_EQ(ReadFileBytes(game_ + "\\GameData\\ui\\menu.txt"), "menu 1.0.1");
}

} // namespace
} // namespace quorin
