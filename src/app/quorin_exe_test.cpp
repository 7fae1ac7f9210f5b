// The real program against replies meant to choke it: rows longer than the
// buffer Wine lends a list box, and a flood of oversized datagrams.
#include <gtest/gtest.h>

#include "browser/win32/settings_store_win32.h"
#include "common/win32/controls.h"
#include "common/win32/wide_text.h"
#include "console/layout.h"
#include "tests/support/win32/live_services.h"
#include "tests/support/win32/peer_ports.h"
#include "tests/support/win32/window_driver.h"

namespace quorin {
namespace {

using namespace std::chrono_literals;

class QuorinExeTest : public test::LiveServicesTest {
  protected:
    // Quorin started against the stand-in's `variant`, its main window shown.
    std::pair<win32::UniqueKernelHandle, DWORD> Start(const std::string& variant, HWND& main) {
        const std::optional<int> port = test::PeerPort(variant);
        EXPECT_TRUE(port) << variant;
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        rig_.Install(kMagic101, std::string(temp) + "quorin-exe-game");
        auto started =
            test::StartProcess("\"" + std::string(QUORIN_EXE) +
                               "\" +connect 127.0.0.1:" + std::to_string(port.value_or(1)));
        main = test::WaitForProcessWindow(started.second, kAppTitle, 20s);
        return started;
    }
    // The status bar's text once it is `expected`, or as it stands after 20 s.
    static std::string Status(HWND main, const char* expected) {
        return test::WaitForText(::GetDlgItem(::GetDlgItem(main, kIdStatusBar), kIdStatus),
                                 expected);
    }
    static bool Running(HANDLE process) {
        return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    }
    static int WindowsCaptioned(DWORD pid, const char* title) {
        int count = 0;
        for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, nullptr, title));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            count += owner == pid && ::IsWindowVisible(w);
        }
        return count;
    }
};

TEST_F(QuorinExeTest, RowsOfSixHundredCharactersAndSevenHundredPlayersArePaintedUnharmed) {
    HWND main = nullptr;
    auto [process, pid] = Start("longrows", main);
    ASSERT_TRUE(main);
    EXPECT_EQ(Status(main, kReadyToLaunch), kReadyToLaunch);
    // Started for a server: it is the first of the recent ones.
    win32::RegistrySettingsStore settings;
    EXPECT_EQ(LoadSettings(settings).settings.recent.at(0).address,
              (ServerAddress{0x7F000001, static_cast<std::uint16_t>(*test::PeerPort("longrows"))}));
    // The details panel shown, the last row in view, and every row painted
    // now by Quorin's own drawing (the paint is sent to its thread, and this
    // returns when it is done).
    ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdExpand, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(main, kIdExpand)));
    HWND values = ::GetDlgItem(main, kIdValues);
    const LRESULT rows = ::SendMessageA(values, LB_GETCOUNT, 0, 0);
    EXPECT_GT(rows, 10);
    for (LRESULT top = 0; top < rows; top += 8) {
        ::SendMessageA(values, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        ::RedrawWindow(values, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    EXPECT_TRUE(Running(process.Get()));
    EXPECT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr));
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 10000);
}

TEST_F(QuorinExeTest, AFloodOfOversizedDatagramsOpensOneBoxAtMost) {
    HWND main = nullptr;
    auto [process, pid] = Start("flood", main);
    ASSERT_TRUE(main);
    int most = 0;
    // Queried again and again while the flood comes in, the box left open.
    for (int i = 0; i < 30; ++i, ::Sleep(100)) {
        if (i % 5 == 0)
            ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdQuery, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(main, kIdQuery)));
        most = std::max(most, WindowsCaptioned(pid, "Winsock error"));
    }
    EXPECT_EQ(most, 1);
    EXPECT_TRUE(Running(process.Get()));
    ::TerminateProcess(process.Get(), 0);
    ::WaitForSingleObject(process.Get(), 10000);
}

TEST_F(QuorinExeTest, WithoutTheRightToWriteTheMarkerAGameGoesByItsJampExe) {
    // A standard account: the game's key refuses writing, and there is no
    // marker. jamp.exe names 1.0.0, or nothing: the game is 1.0.0 either way.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "quorin-exe-unmarked";
    ::CreateDirectoryA(root.c_str(), nullptr);
    ::CreateDirectoryA((root + "\\GameData").c_str(), nullptr);
    const struct {
        const char *jamp, *variant, *status;
    } cases[] = {
        {QUORIN_STANDIN_JAMP100, "v101", kNeedsPatched},
        {QUORIN_STANDIN_JAMP100, "v100", kReadyToLaunch},
        {QUORIN_STANDIN_JAMP, "v101", kNeedsPatched}, // no version resource
        {QUORIN_STANDIN_JAMP101, "v101", kReadyToLaunch},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(::CopyFileA(c.jamp, (root + "\\GameData\\jamp.exe").c_str(), FALSE));
        rig_.Install(std::nullopt, root);
        ::SetEnvironmentVariableA("QUORIN_REGISTRY_READ_ONLY", "1"); // for Quorin alone
        auto [process, pid] =
            test::StartProcess("\"" + std::string(QUORIN_EXE) + "\" +connect 127.0.0.1:" +
                               std::to_string(test::PeerPort(c.variant).value_or(1)));
        ::SetEnvironmentVariableA("QUORIN_REGISTRY_READ_ONLY", nullptr);
        HWND main = test::WaitForProcessWindow(pid, kAppTitle, 20s);
        ASSERT_TRUE(main) << c.jamp;
        EXPECT_EQ(Status(main, c.status), c.status) << c.jamp << " " << c.variant;
        EXPECT_EQ(WindowsCaptioned(pid, "Installed version"), 0);
        EXPECT_FALSE(backend_->GetRaw(kGameVersionKey, kMagicValue)); // nothing written
        ::TerminateProcess(process.Get(), 0);
        ::WaitForSingleObject(process.Get(), 10000);
    }
    test::RemoveTree(root);
}

TEST_F(QuorinExeTest, FromAFolderInAnyLanguageItFindsItsStoreAndSwitches) {
    QUORIN_PEER_PORT(port, "v101");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "quorin-exe-anywhere";
    ::CreateDirectoryA(root.c_str(), nullptr);
    ::CreateDirectoryA((root + "\\GameData").c_str(), nullptr);
    const std::wstring jamp = win32::Widen(root + "\\GameData\\jamp.exe");
    // Folders that no single code page spells: the tool, its store beside it.
    for (const std::wstring parent : {L"C:\\\u0418\u0433\u0440\u044B", L"C:\\\u6E38\u620F"}) {
        const std::wstring tool = parent + L"\\Quorin", store = tool + L"\\Patch Files";
        for (const std::wstring& folder :
             {parent, tool, store, store + L"\\100", store + L"\\101", store + L"\\101\\base"})
            ::CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(
            ::CopyFileW(win32::Widen(QUORIN_EXE).c_str(), (tool + L"\\quorin.exe").c_str(), FALSE));
        ::CopyFileW(win32::Widen(QUORIN_STANDIN_JAMP100).c_str(),
                    (store + L"\\100\\jamp.exe").c_str(), FALSE);
        ::CopyFileW(win32::Widen(QUORIN_STANDIN_JAMP101).c_str(),
                    (store + L"\\101\\jamp.exe").c_str(), FALSE);
        ::CopyFileW(win32::Widen(QUORIN_STANDIN_JAMP101).c_str(),
                    (store + L"\\101\\base\\assets3.pk3").c_str(), FALSE);
        ASSERT_TRUE(::CopyFileW(win32::Widen(QUORIN_STANDIN_JAMP100).c_str(), jamp.c_str(), FALSE));
        rig_.Install(kMagic100, root);

        std::wstring line =
            L"\"" + tool + L"\\quorin.exe\" +connect 127.0.0.1:" + std::to_wstring(port);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &startup, &started));
        ::CloseHandle(started.hThread);
        const win32::UniqueKernelHandle process(started.hProcess);
        HWND main = test::WaitForProcessWindow(started.dwProcessId, kAppTitle, 20s);
        ASSERT_TRUE(main);
        EXPECT_EQ(Status(main, kNeedsPatched), kNeedsPatched);
        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(kIdPatch, STN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(main, kIdPatch)));
        EXPECT_EQ(Status(main, kPatchedReady), kPatchedReady);
        EXPECT_TRUE(test::ReadFileBytes(root + "\\GameData\\jamp.exe") ==
                    test::ReadFileBytes(QUORIN_STANDIN_JAMP101)); // 1.0.1's client, to the byte
        EXPECT_EQ(backend_->GetRaw(kGameVersionKey, kMagicValue),
                  ToRegistryData(std::int32_t{kMagic101}));
        ::TerminateProcess(process.Get(), 0);
        ::WaitForSingleObject(process.Get(), 10000);
        const std::wstring from = parent + std::wstring(2, L'\0'); // a list of one entry
        SHFILEOPSTRUCTW remove{};
        remove.wFunc = FO_DELETE;
        remove.pFrom = from.c_str();
        remove.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        ::SHFileOperationW(&remove);
    }
    test::RemoveTree(root);
}

} // namespace
} // namespace quorin
