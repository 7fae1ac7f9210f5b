#include "console/win32/form1_window.h"

#include "common/win32/link_label.h"
#include "console/layout.h"

namespace quorin::win32 {

namespace {

constexpr char kClassName[] = "QuorinMain";
constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1Interval = 500;
// While a request waits for its reply, a quicker timer notes when it comes.
constexpr UINT_PTR kPingTimerId = 2;
constexpr UINT kPingInterval = 10;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

const ControlDesign& DesignOf(int id) {
    for (const ControlDesign& design : kForm1Controls)
        if (design.id == id)
            return design;
    return kStatusLabel;
}

void Enable(HWND control, bool enabled) {
    if (static_cast<bool>(::IsWindowEnabled(control)) != enabled)
        ::EnableWindow(control, enabled);
}

void SetVisible(HWND control, bool visible) {
    if (static_cast<bool>(::IsWindowVisible(control)) != visible)
        ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

} // namespace

bool Form1Window::Create() {
    RegisterToolClass(kClassName, &Form1Window::Proc, ::GetSysColorBrush(COLOR_BTNFACE));
    HWND hwnd = ::CreateWindowExA(0, kClassName, kAppTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  400, 200, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
    if (!hwnd)
        return false;
    hwnd_.Reset(hwnd);
    if (HMENU menu = ::GetSystemMenu(hwnd, FALSE)) {
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(menu, MF_STRING, kSysPatchFiles, kPatchFilesMenuText);
        if (servers_)
            ::AppendMenuA(menu, MF_STRING, kSysCommandServers, "&Servers...");
    }
    if (favourite_)
        ::AppendMenuA(::GetSystemMenu(hwnd, FALSE), MF_STRING, kSysCommandFavourite,
                      "Add to fa&vourites");
    // The poll runs from the window's start, so that its first tick comes
    // 500 ms after the window exists, not after its controls are made.
    ::SetTimer(hwnd, kTimer1Id, kTimer1Interval, nullptr);
    dpi_ = WindowDpi(hwnd);
    fonts_.Make(dpi_);
    for (const ControlDesign& design : kForm1Controls)
        controls_[design.id] = CreateControl(hwnd, design, fonts_);
    controls_[kIdStatus] = CreateControl(controls_[kIdStatusBar], kStatusLabel, fonts_);
    // The labels lie beneath every control that has a window of its own.
    for (const ControlDesign& design : kForm1Controls)
        if (design.kind == ControlKind::Label)
            ::SetWindowPos(controls_[design.id], HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    details_.Attach(controls_[kIdVariables], controls_[kIdValues], controls_[kIdDetailsScroll]);
    MakeLinkLabel(controls_[kIdPatch]);
    // The keyboard reaches the status bar too.
    ::SetWindowLongA(controls_[kIdStatusBar], GWL_STYLE,
                     ::GetWindowLongA(controls_[kIdStatusBar], GWL_STYLE) | WS_TABSTOP);
    for (int id : {kIdQuery, kIdExpand, kIdLaunch})
        ::EnableWindow(controls_[id], FALSE);
    ::ShowWindow(controls_[kIdLaunch], SW_HIDE);
    ::ShowWindow(controls_[kIdPatch], SW_HIDE);
    ::SetScrollRange(controls_[kIdDetailsScroll], SB_CTL, 0, form_.Controls().scrollMax, FALSE);
    FitLabels();
    CreateTooltips();
    Layout();
    ApplyHeight();
    return true;
}

void Form1Window::CreateTooltips() {
    tooltip_ = CreateTooltip(hwnd_.Get());
    AddTooltip(tooltip_, controls_[kIdStatus], "Click to visit!");
    AddTooltip(tooltip_, controls_[kIdExpand], "View/Hide Server Details");
    // A row of several lines, spelt out.
    AddTooltip(tooltip_, controls_[kIdValues], LPSTR_TEXTCALLBACKA);
    rowTip_ = RowTooltip(tooltip_, controls_[kIdValues]);
    AddTooltip(tooltip_, controls_[kIdGlance], LPSTR_TEXTCALLBACKA); // the server's name
    ::SetWindowLongA(controls_[kIdGlance], GWL_STYLE,
                     ::GetWindowLongA(controls_[kIdGlance], GWL_STYLE) | SS_ENDELLIPSIS);
    ::SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kForm1ClientWidth, dpi_));
}

void Form1Window::FitLabels() {
    for (const ControlDesign& design : kForm1Controls)
        if (design.autoSize)
            FitLabelToText(controls_[design.id]);
    FitLabelToText(controls_[kIdStatus]);
}

void Form1Window::Show() {
    Sync();
    ::ShowWindow(hwnd_.Get(), SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_.Get());
    form_.Form_Shown();
    Sync(); // the first query's status, and the ping's timer
}

void Form1Window::Layout() {
    for (const ControlDesign& design : kForm1Controls)
        PlaceControl(controls_[design.id], design, dpi_);
    // The status bar keeps to the bottom edge of the client area, as wide as it.
    RECT client{};
    ::GetClientRect(hwnd_.Get(), &client);
    const int barHeight = TwipsToPixels(kStatusBarHeight, dpi_);
    ::SetWindowPos(controls_[kIdStatusBar], nullptr, 0, client.bottom - barHeight, client.right,
                   barHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    CentreStatus();
}

void Form1Window::CentreStatus() {
    HWND bar = controls_[kIdStatusBar];
    HWND label = controls_[kIdStatus];
    RECT barRect{};
    RECT labelRect{};
    ::GetClientRect(bar, &barRect);
    ::GetWindowRect(label, &labelRect);
    // Computed in twips, in floating point; only the final placing rounds.
    const double left = CentredOffset(PixelsToTwips(barRect.right, dpi_),
                                      PixelsToTwips(labelRect.right - labelRect.left, dpi_));
    const double top = CentredOffset(PixelsToTwips(barRect.bottom, dpi_),
                                     PixelsToTwips(labelRect.bottom - labelRect.top, dpi_));
    ::SetWindowPos(label, nullptr, TwipsToPixels(left, dpi_), TwipsToPixels(top, dpi_), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::ApplyHeight() {
    expandedShown_ = form_.Controls().Expanded();
    // The frame as it is (any caption height, any theme), measured rather
    // than assumed, around the client area the layout needs.
    RECT outer{};
    RECT client{};
    ::GetWindowRect(hwnd_.Get(), &outer);
    ::GetClientRect(hwnd_.Get(), &client);
    const int width =
        TwipsToPixels(kForm1ClientWidth, dpi_) + (outer.right - outer.left) - client.right;
    const int height =
        TwipsToPixels(expandedShown_ ? kForm1ExpandedClientHeight : kForm1CollapsedClientHeight,
                      dpi_) +
        (outer.bottom - outer.top) - client.bottom;
    // The window keeps its place.
    ::SetWindowPos(hwnd_.Get(), nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::Sync() {
    const Form1Controls& c = form_.Controls();
    SyncInput();
    if (SetLabelText(controls_[kIdStatus], c.lblStatus))
        CentreStatus(); // a new text is centred at once, not only on the next resize
    SetLabelText(controls_[kIdIP], c.lblIP);
    SetLabelText(controls_[kIdPort], c.lblPort);
    SetLabelText(controls_[kIdServerVersion], c.lblSVRVersion);
    SetLabelText(controls_[kIdClientVersion], c.lblClientVersion);
    if (WindowText(controls_[kIdGlance]) != c.glance) { // fixed in size: a long text ends in "..."
        ::SetWindowTextA(controls_[kIdGlance], c.glance.c_str());
        ::InvalidateRect(controls_[kIdGlance], nullptr, TRUE);
    }
    if (form_.PingPending() && !pingTimer_)
        pingTimer_ = ::SetTimer(hwnd_.Get(), kPingTimerId, kPingInterval, nullptr) != 0;
    if (WindowText(controls_[kIdExpand]) != c.cmdExpandCaption)
        ::SetWindowTextA(controls_[kIdExpand], c.cmdExpandCaption.c_str());
    Enable(controls_[kIdQuery], c.cmdQueryEnabled);
    Enable(controls_[kIdExpand], c.cmdExpandEnabled);
    Enable(controls_[kIdLaunch], c.cmdLaunchEnabled);
    SetVisible(controls_[kIdLaunch], c.cmdLaunchVisible);
    SetVisible(controls_[kIdPatch], c.lblPatchMeVisible);
    SyncLists();
    if (expandedShown_ != c.Expanded())
        ApplyHeight();
    ShowDefault();
}

void Form1Window::SyncInput() {
    // While the switch's job runs or the game does, the window paints but
    // takes no input; the focus goes back where it was afterwards.
    const bool idle = form_.Doing() == Activity::Idle;
    if (!idle && !disabledForWork_) {
        disabledForWork_ = true;
        focusBeforeBusy_ = ::GetFocus();
        ::EnableWindow(hwnd_.Get(), FALSE);
    } else if (idle && disabledForWork_) {
        disabledForWork_ = false;
        ::EnableWindow(hwnd_.Get(), TRUE);
        if (focusBeforeBusy_ && ::IsWindow(focusBeforeBusy_))
            ::SetFocus(focusBeforeBusy_);
        focusBeforeBusy_ = nullptr;
    }
}

void Form1Window::PaintNow() {
    Sync();
    ::RedrawWindow(hwnd_.Get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

LRESULT CALLBACK Form1Window::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Form1Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0); // nothing reaches the state after this
    if (!self || !self->hwnd_)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

// clang-format off
LRESULT Form1Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_VSCROLL: return OnVScroll(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER: return OnTimer(wParam);
    case WM_SIZE: return OnSize();
    case WM_MEASUREITEM: return OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case DM_GETDEFID: return OnGetDefId();
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_DPICHANGED: return OnDpiChanged(HIWORD(wParam));
    case kMsgJobFinished: return OnJobFinished();
    case WM_SYSCOMMAND: return OnSysCommand(wParam, lParam);
    case WM_CLOSE: return OnClose();
    case WM_QUERYENDSESSION: return OnQueryEndSession();
    case WM_ENDSESSION: return OnEndSession(wParam != FALSE);
    default: return ::DefWindowProcA(hwnd_.Get(), message, wParam, lParam);
    }
}
// clang-format on

LRESULT Form1Window::OnCommand(int id, int code) {
    const Form1Controls& c = form_.Controls();
    switch (id) {
    case kIdQuery:
        if (code == BN_CLICKED && c.cmdQueryEnabled)
            form_.cmdQuery_Click();
        break;
    case kIdExpand:
        if (code == BN_CLICKED && c.cmdExpandEnabled)
            form_.cmdExpand_Click();
        break;
    case kIdAbout:
        if (code == BN_CLICKED && hooks_.about)
            hooks_.about();
        break;
    case kIdLaunch:
        if (code == BN_CLICKED && c.cmdLaunchVisible && c.cmdLaunchEnabled)
            form_.cmdLaunch_Click();
        break;
    case kIdPatch:
        if (code == STN_CLICKED && c.lblPatchMeVisible)
            form_.lblPatchMe_Click();
        break;
    case kIdVariables:
        if (code == LBN_SELCHANGE)
            form_.lstSVRVariable_Click(
                static_cast<int>(::SendMessageA(controls_[kIdVariables], LB_GETCURSEL, 0, 0)));
        break;
    case kIdValues:
        if (code == LBN_SELCHANGE)
            form_.lstSVRValue_Click(
                static_cast<int>(::SendMessageA(controls_[kIdValues], LB_GETCURSEL, 0, 0)));
        break;
    default:
        break;
    }
    Sync();
    return 0;
}

LRESULT Form1Window::OnVScroll(int code, HWND bar) {
    if (bar != details_.Bar())
        return 0;
    if (const auto value = details_.Scrolled(code))
        form_.VScroll1_Change(*value);
    Sync();
    return 0;
}

LRESULT Form1Window::OnTimer(UINT_PTR id) {
    if (id == kPingTimerId) {
        form_.Ping_Timer();
        if (!form_.PingPending())
            ::KillTimer(hwnd_.Get(), kPingTimerId), pingTimer_ = false;
    } else if (id == kTimer1Id) {
        form_.Timer1_Timer();
        if (hwnd_)
            Sync();
    }
    return 0;
}

LRESULT Form1Window::OnSize() {
    Layout();
    return 0;
}

LRESULT Form1Window::OnGetDefId() {
    return MAKELRESULT(kIdLaunch, DC_HASDEFID);
}

LRESULT Form1Window::OnCtlColorStatic(HDC dc) {
    return reinterpret_cast<LRESULT>(LabelColours(dc));
}

LRESULT Form1Window::OnDpiChanged(int dpi) {
    dpi_ = dpi;
    fonts_.Make(dpi_);
    for (auto& [id, control] : controls_)
        ::SendMessageA(control, WM_SETFONT,
                       reinterpret_cast<WPARAM>(
                           fonts_.Get(id == kIdStatus ? kStatusLabel.font : DesignOf(id).font)),
                       TRUE);
    for (int id : {kIdVariables, kIdValues})
        ::SendMessageA(controls_[id], LB_SETITEMHEIGHT, 0, RowHeight(fonts_.Get(Font::List)));
    FitLabels(); // the new fonts measure the same texts anew
    Layout();
    ApplyHeight();
    return 0;
}

LRESULT Form1Window::OnJobFinished() {
    form_.JobFinished();
    if (hwnd_)
        Sync();
    return 0;
}

void Form1Window::GameEnded() {
    form_.GameEnded();
    if (hwnd_)
        Sync();
}

LRESULT Form1Window::OnSysCommand(WPARAM command, LPARAM lParam) {
    if ((command & 0xFFF0) == kSysCommandServers && servers_) {
        servers_();
        return 0;
    }
    if ((command & 0xFFF0) == kSysPatchFiles && hooks_.patchFiles) {
        hooks_.patchFiles();
        return 0;
    }
    if ((command & 0xFFF0) == kSysCommandFavourite && favourite_) {
        favourite_();
        return 0;
    }
    return ::DefWindowProcA(hwnd_.Get(), WM_SYSCOMMAND, command, lParam);
}

LRESULT Form1Window::OnClose() {
    if (form_.Doing() != Activity::Idle)
        return 0; // a switch is not cut short, and the game is waited for
    ::KillTimer(hwnd_.Get(), kTimer1Id);
    form_.Form_Unload();
    return 0;
}

LRESULT Form1Window::OnQueryEndSession() {
    if (form_.Doing() != Activity::Switching)
        return TRUE;
    // Windows names Quorin and why to the player, who may still end the
    // session: the switch is then waited for as long as Windows allows, and
    // a switch cut short is put back by the journal at the next start.
    ::ShutdownBlockReasonCreate(hwnd_.Get(), L"Quorin is switching the game's version.");
    return FALSE;
}

LRESULT Form1Window::OnEndSession(bool ending) {
    ::ShutdownBlockReasonDestroy(hwnd_.Get());
    if (!ending)
        return 0;
    // The process would end once this returns: it ends here instead, once a
    // running switch has.
    ::KillTimer(hwnd_.Get(), kTimer1Id);
    form_.Form_Unload();
    return 0;
}

} // namespace quorin::win32
