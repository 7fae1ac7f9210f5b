// "Quorin - Servers" in its real window under Wine, refreshed from the
// stand-in master on loopback (scripts/peers), and the player's ways of
// driving it, for the window's tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/win32/browser_window.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/win32/peer_ports.h"

namespace quorin {

class BrowserWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QUORIN_PEER_PORT(master, "master");
        store_.values[kMastersValue] = {true, "127.0.0.1:" + std::to_string(master)};
    }
    // Closes the window as the player does, and starts Quorin's list again.
    void Restart() {
        ::SendMessageA(window_->Handle(), WM_CLOSE, 0, 0);
        window_.reset();
        Start();
    }
    void Choose(int id, int choice) {
        ::SendMessageA(window_->Control(id), CB_SETCURSEL, choice, 0);
        ::SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(window_->Control(id)));
    }
    void Select(int row) {
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(window_->Control(win32::kIdList), LVM_SETITEMSTATE, row,
                       reinterpret_cast<LPARAM>(&state));
    }
    void Start() {
        window_ = std::make_unique<win32::BrowserWindow>(
            store_,
            win32::BrowserWindow::Hooks{[] { return std::string("v1.0.0"); },
                                        [this](const ServerRow& row) { joined_.push_back(row); },
                                        [this] { ++typed_; },
                                        [this](const ServerRow& row) { details_.push_back(row); }});
        ASSERT_TRUE(window_->Create());
        window_->Show();
        window_->Refresh();
        ASSERT_TRUE(Pump([&] { return !window_->Refreshing(); }, std::chrono::seconds(20)));
        Pump([] { return false; }, std::chrono::milliseconds(300)); // the last tick shows the end
    }
    // Runs the message loop as the program does until `done` or the time is up.
    bool Pump(const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        for (auto end = std::chrono::steady_clock::now() + timeout;
             std::chrono::steady_clock::now() < end;) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!window_->PreTranslate(msg)) {
                    ::TranslateMessage(&msg);
                    ::DispatchMessageA(&msg);
                }
            if (done())
                return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return done();
    }
    // The rows as "port:cells" lines, the name without its colours.
    std::string Shown(Column column) {
        std::string out;
        for (const ServerRow& row : window_->Rows())
            out += CellText(row, column) + "|";
        return out;
    }
    // The row shown with that name: the servers that register by heartbeat
    // may come and go between runs, so rows are found by name, not place.
    WPARAM RowNamed(const std::string& name) {
        const std::vector<ServerRow> rows = window_->Rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (CellText(rows[i], Column::Name) == name)
                return i;
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    void Click(int id) { ::SendMessageA(window_->Control(id), BM_CLICK, 0, 0); }
    void SortBy(Column column) {
        NMLISTVIEW click{};
        click.hdr = {window_->Control(win32::kIdList), win32::kIdList, LVN_COLUMNCLICK};
        click.iSubItem = static_cast<int>(column);
        ::SendMessageA(window_->Handle(), WM_NOTIFY, win32::kIdList,
                       reinterpret_cast<LPARAM>(&click));
    }
    test::MemorySettingsStore store_;
    std::unique_ptr<win32::BrowserWindow> window_;
    std::vector<ServerRow> joined_;
    int typed_ = 0;
    std::vector<ServerRow> details_;
};

} // namespace quorin
