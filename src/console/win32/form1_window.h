// The main window "Quorin": its controls built from the design table at the
// window's DPI, showing what the workflow holds and handing it every event.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/win32/controls.h"
#include "common/win32/paired_lists.h"
#include "console/form1.h"
#include "console/win32/coloured_rows.h"

#include <commctrl.h>

namespace quorin::win32 {

// Posted to the window: the switch's job has ended.
inline constexpr UINT kMsgJobFinished = WM_APP + 1;
// The system menu's "Servers..." and "Patch Files..." (multiples of 16
// below 0xF000).
inline constexpr UINT kSysCommandServers = 0x0110;
inline constexpr UINT kSysPatchFiles = 0x0120;
inline constexpr char kPatchFilesMenuText[] = "&Patch Files...";
// The system menu's "Add to favourites".
inline constexpr UINT kSysCommandFavourite = 0x0130;

class Form1Window : public ControlHost {
  public:
    struct Hooks {
        std::function<void()> about;      // cmdAbout
        std::function<void()> patchFiles; // the system menu's "Patch Files..."
    };
    Form1Window(Form1& form, Hooks hooks) : form_(form), hooks_(std::move(hooks)) {}
    // The window goes first, while everything its messages use is still here.
    ~Form1Window() { hwnd_.Reset(); }
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;

    // The way to the list of servers: "Servers..." in the window's system
    // menu, when set before Create.
    void SetServersHook(std::function<void()> servers) { servers_ = std::move(servers); }
    // The game has ended (the launcher says so, on the window's thread).
    void GameEnded();
    // "Add to favourites" in the system menu, when set before Create.
    void SetFavouriteHook(std::function<void()> favourite) { favourite_ = std::move(favourite); }
    // Creates the window hidden, with the timer running.
    bool Create();
    void Show();
    HWND Handle() const { return hwnd_.Get(); }
    HWND Tooltip() const { return tooltip_; }
    int Dpi() const { return dpi_; }
    // Brings every control in line with the workflow's state.
    void Sync();
    // Sync, and paint what changed now rather than after the handler returns.
    void PaintNow();
    // Keyboard handling of the message loop: the design's Tab order, Enter
    // for Launch, access keys. True when the message was handled.
    bool PreTranslate(MSG& msg);

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(int id, int code);
    LRESULT OnVScroll(int code, HWND bar);
    LRESULT OnTimer(UINT_PTR id);
    LRESULT OnSize();
    LRESULT OnMeasureItem(MEASUREITEMSTRUCT& item);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnNotify(NMHDR& header);
    LRESULT OnGetDefId();
    LRESULT OnCtlColorStatic(HDC dc);
    LRESULT OnDpiChanged(int dpi);
    LRESULT OnJobFinished();
    LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
    LRESULT OnClose();
    LRESULT OnQueryEndSession();
    LRESULT OnEndSession(bool ending);

    void CreateTooltips();
    void Layout();
    void CentreStatus();
    void ApplyHeight();
    void FitLabels();
    void SyncInput();
    void SyncLists();
    HWND DefaultButton() const;
    void ShowDefault();
    void MoveFocus(bool back);
    // The details panel's rows: the server's colours, separators, players.
    std::string RowText(HWND list, int index) const;
    bool IsPlayerRow(int row) const;
    std::vector<TextRun> RunsOf(HWND list, int row) const;
    const char* RowTipText();

    Form1& form_;
    Hooks hooks_;
    std::function<void()> servers_;
    std::function<void()> favourite_;
    UniqueHwnd hwnd_;
    HWND tooltip_ = nullptr;
    FontSet fonts_;
    int dpi_ = 96;
    PairedLists details_;                 // lstSVRVariable and lstSVRValue with VScroll1
    RowTooltip rowTip_{nullptr, nullptr}; // lstSVRValue's rows spelt out
    int listsShown_ = -1;
    std::string rowTipText_;
    std::string maxClients_;    // the shown reply's sv_maxclients, for the players' count
    int pairRows_ = 0;          // the shown reply's own pairs; the players' rows follow
    std::string nameTip_;       // the server's name, for the glance's tooltip
    bool nameTipShown_ = false; // the tooltip shows it now
    bool pingTimer_ = false;
    std::vector<std::string> variableRows_, valueRows_; // what the lists were filled with
    bool expandedShown_ = false;
    bool disabledForWork_ = false;   // disabled while the switch or the game runs
    HWND focusBeforeBusy_ = nullptr; // given back when the window takes input again
};

} // namespace quorin::win32
