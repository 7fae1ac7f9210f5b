#include "console/win32/form1_window.h"

#include "console/layout.h"

#include <commctrl.h>

#include <algorithm>

#include "common/win32/system_dll.h"
#include "console/server_text.h"

namespace quorin::win32 {

namespace {

constexpr char kClassName[] = "QuorinMain";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerInterval = 500;
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

// The two lists scroll as one: whatever moves one list's first row (the
// wheel, the keys, its own scroll bar) moves the other's to the same row.
LRESULT CALLBACK ScrollTogether(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR other) {
    const LRESULT result = DefSubclass(list, message, wParam, lParam);
    if (message == WM_MOUSEWHEEL || message == WM_VSCROLL || message == WM_KEYDOWN) {
        const LRESULT top = ::SendMessageA(list, LB_GETTOPINDEX, 0, 0);
        HWND partner = reinterpret_cast<HWND>(other);
        if (::SendMessageA(partner, LB_GETTOPINDEX, 0, 0) != top)
            ::SendMessageA(partner, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
        // The wheel scrolls without selecting: the thumb follows the first
        // row shown, as it would on the lists' own scroll bar.
        if (message == WM_MOUSEWHEEL)
            ::SetScrollPos(::GetDlgItem(::GetParent(list), kIdScroll), SB_CTL,
                           static_cast<int>(top), TRUE);
    }
    return result;
}

// "Patch" as a link: the hand over it, the link colour, a focus cue when the
// keyboard reaches it; Enter and Space press it (the window's loop).
LRESULT CALLBACK PatchLink(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR) {
    switch (message) {
    case WM_SETCURSOR:
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        return TRUE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(label, nullptr, TRUE);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(label, &paint);
        RECT box{};
        ::GetClientRect(label, &box);
        ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
        ::SetBkMode(dc, TRANSPARENT);
        // The link blue of the About box's project page.
        ::SetTextColor(dc,
                       ::IsWindowEnabled(label) ? RGB(0, 0, 255) : ::GetSysColor(COLOR_GRAYTEXT));
        const std::string text = WindowText(label);
        ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
                    DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        if (::GetFocus() == label)
            ::DrawFocusRect(dc, &box);
        ::SelectObject(dc, old);
        ::EndPaint(label, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefSubclass(label, message, wParam, lParam);
}

bool IsPushButton(HWND control) {
    return control && (::SendMessageA(control, WM_GETDLGCODE, 0, 0) &
                       (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

void SelectRow(HWND list, int index) {
    // Selecting what is already selected does nothing, so the lists settle.
    if (static_cast<int>(::SendMessageA(list, LB_GETCURSEL, 0, 0)) != index)
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// The game's colours for its codes ^0 to ^9, in shades that read on the
// light list. Its white, the colour of text without a code, is the list's
// own text colour.
COLORREF CodeColour(int code, COLORREF plain) {
    const auto shade = GameColour(code);
    return shade ? RGB(shade->r, shade->g, shade->b) : plain;
}

// Draws `runs` from (x, y) on, each in its colour (`plain` for text without
// a code), a line break as a grey pilcrow, until past `right`.
void DrawRuns(HDC dc, int x, int y, int right, const std::vector<TextRun>& runs, COLORREF plain) {
    ::SetBkMode(dc, TRANSPARENT);
    for (const TextRun& run : runs) {
        SIZE size{};
        if (run.separator) { // a line break, shown as a pilcrow between spaces
            static constexpr wchar_t kMark[] = L" \u00B6 ";
            ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
            ::TextOutW(dc, x, y, kMark, 3);
            ::GetTextExtentPoint32W(dc, kMark, 3, &size);
        } else {
            const int length = static_cast<int>(run.text.size());
            ::SetTextColor(dc, CodeColour(run.colour, plain));
            ::TextOutA(dc, x, y, run.text.data(), length);
            ::GetTextExtentPoint32A(dc, run.text.data(), length, &size);
        }
        x += size.cx;
        if (x >= right)
            break;
    }
}

// A selected row is tinted with the selection colour rather than filled
// with it, so that the server's colours stay readable on it.
COLORREF SelectedRowColour() {
    const COLORREF mark = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF ground = ::GetSysColor(COLOR_WINDOW);
    const auto mix = [](int a, int b) { return static_cast<BYTE>((a + 2 * b) / 3); };
    return RGB(mix(GetRValue(mark), GetRValue(ground)), mix(GetGValue(mark), GetGValue(ground)),
               mix(GetBValue(mark), GetBValue(ground)));
}

// The row of `list` under `point` (in the list's own coordinates), or -1.
int RowAt(HWND list, LPARAM point) {
    const LRESULT hit = ::SendMessageA(list, LB_ITEMFROMPOINT, 0, point);
    return HIWORD(hit) ? -1 : LOWORD(hit);
}

} // namespace

// A row's text from the rows the lists were filled with, never read back
// through LB_GETTEXT: Wine's ANSI thunk gives a Unicode list box a fixed
// 512-character buffer for that, which a long row overflows.
std::string Form1Window::RowText(HWND list, int index) const {
    const std::vector<std::string>& rows =
        list == controls_.at(kIdValues) ? valueRows_ : variableRows_;
    return index >= 0 && static_cast<std::size_t>(index) < rows.size() ? rows[index]
                                                                       : std::string();
}

int Form1Window::RowHeight() const {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, fonts_.Get(Font::List));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

void Form1Window::DrawRow(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected) {
        const UniqueHbrush tint(::CreateSolidBrush(SelectedRowColour()));
        ::FillRect(dc, &item.rcItem, tint.Get());
    } else {
        ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    }
    const int count = static_cast<int>(::SendMessageA(item.hwndItem, LB_GETCOUNT, 0, 0));
    const int row = static_cast<int>(item.itemID);
    // The players' rows, after the server's pairs, are set apart by a tint
    // and show a player's name, score and ping.
    const bool player = row >= pairRows_ && row < static_cast<int>(valueRows_.size());
    if (player && !selected)
        ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    if (row >= 0 && row < count) {
        const std::string text = RowText(item.hwndItem, row);
        const bool values = item.hwndItem == controls_[kIdValues];
        const std::vector<TextRun> runs = !player ? RowRuns(text, row == pairRows_ - 1, maxClients_)
                                          : values ? PlayerRuns(text)
                                                   : ColourRuns(text);
        HGDIOBJ oldFont = ::SelectObject(dc, fonts_.Get(Font::List));
        DrawRuns(dc, item.rcItem.left + 2, item.rcItem.top, item.rcItem.right, runs,
                 ::GetSysColor(COLOR_WINDOWTEXT));
        ::SelectObject(dc, oldFont);
    }
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &item.rcItem);
}

// The server's name in the glance's tooltip, drawn again over the tooltip's
// own plain text in the game's colours.
LRESULT Form1Window::DrawNameTip(const NMTTCUSTOMDRAW& draw) {
    if (!nameTipShown_)
        return CDRF_DODEFAULT;
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYPOSTPAINT;
    if (draw.nmcd.dwDrawStage != CDDS_POSTPAINT)
        return CDRF_DODEFAULT;
    HDC dc = draw.nmcd.hdc;
    RECT text{};
    ::GetClientRect(tooltip_, &text);
    ::SendMessageA(tooltip_, TTM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&text));
    const UniqueHbrush ground(::CreateSolidBrush(::GetSysColor(COLOR_INFOBK)));
    ::FillRect(dc, &text, ground.Get());
    DrawRuns(dc, text.left, text.top, text.right, ColourRuns(form_.Controls().serverName),
             ::GetSysColor(COLOR_INFOTEXT));
    return CDRF_DODEFAULT;
}

const char* Form1Window::RowTipText() {
    HWND list = controls_[kIdValues];
    POINT at{};
    ::GetCursorPos(&at);
    ::ScreenToClient(list, &at);
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    tipRow_ = RowAt(list, MAKELPARAM(at.x, at.y));
    tipText_ = tipRow_ < 0 || tipRow_ >= count
                   ? std::string()
                   : RowTip(RowText(list, tipRow_), tipRow_ == pairRows_ - 1, maxClients_);
    return tipText_.c_str();
}

bool Form1Window::Create() {
    RegisterToolClass(kClassName, &Form1Window::Proc, ::GetSysColorBrush(COLOR_BTNFACE));
    HWND hwnd = ::CreateWindowExA(0, kClassName, kAppTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  400, 200, nullptr, nullptr, ::GetModuleHandleA(nullptr), this);
    if (!hwnd)
        return false;
    hwnd_.Reset(hwnd);
    // The poll runs from the window's start, so that its first tick comes
    // 500 ms after the window exists, not after its controls are made.
    ::SetTimer(hwnd, kTimerId, kTimerInterval, nullptr);
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
    Subclass(controls_[kIdVariables], ScrollTogether, 1,
             reinterpret_cast<DWORD_PTR>(controls_[kIdValues]));
    Subclass(controls_[kIdValues], ScrollTogether, 1,
             reinterpret_cast<DWORD_PTR>(controls_[kIdVariables]));
    Subclass(controls_[kIdPatch], PatchLink, 1, 0);
    // The keyboard reaches the status bar and the Patch link too.
    for (int id : {kIdStatusBar, kIdPatch})
        ::SetWindowLongA(controls_[id], GWL_STYLE,
                         ::GetWindowLongA(controls_[id], GWL_STYLE) | WS_TABSTOP);
    for (int id : {kIdQuery, kIdExpand, kIdLaunch})
        ::EnableWindow(controls_[id], FALSE);
    ::ShowWindow(controls_[kIdLaunch], SW_HIDE);
    ::ShowWindow(controls_[kIdPatch], SW_HIDE);
    ::SetScrollRange(controls_[kIdScroll], SB_CTL, 0, form_.Controls().scrollMax, FALSE);
    FitLabels();

    InitCommonControls(ICC_WIN95_CLASSES);
    tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 0, 0, 0, 0, hwnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    AddTooltip(controls_[kIdStatus], "Click to visit!");
    AddTooltip(controls_[kIdExpand], "View/Hide Server Details");
    AddTooltip(controls_[kIdValues], LPSTR_TEXTCALLBACKA); // a row of several lines, spelt out
    AddTooltip(controls_[kIdGlance], LPSTR_TEXTCALLBACKA); // the server's name
    ::SetWindowLongA(controls_[kIdGlance], GWL_STYLE,
                     ::GetWindowLongA(controls_[kIdGlance], GWL_STYLE) | SS_ENDELLIPSIS);
    ::SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kForm1ClientWidth, dpi_));

    Layout();
    ApplyHeight();
    return true;
}

void Form1Window::FitLabels() {
    for (const ControlDesign& design : kForm1Controls)
        if (design.autoSize)
            FitLabelToText(controls_[design.id]);
    FitLabelToText(controls_[kIdStatus]);
}

void Form1Window::AddTooltip(HWND tool, const char* text) {
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hwnd_.Get();
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(text);
    ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void Form1Window::Show() {
    Sync();
    ::ShowWindow(hwnd_.Get(), SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_.Get());
}

HWND Form1Window::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
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
    Enable(controls_[kIdPatch], c.lblPatchMeEnabled);
    SetVisible(controls_[kIdPatch], c.lblPatchMeVisible);
    if (listsShown_ != form_.ListsGeneration()) {
        listsShown_ = form_.ListsGeneration();
        maxClients_ = MaxClients(c.lstSVRVariable, c.lstSVRValue);
        pairRows_ = c.pairRows;
        variableRows_ = c.lstSVRVariable;
        valueRows_ = c.lstSVRValue;
        for (auto [id, rows] :
             {std::pair{kIdVariables, &c.lstSVRVariable}, std::pair{kIdValues, &c.lstSVRValue}}) {
            HWND list = controls_[id];
            ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
            ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
            for (const std::string& row : *rows)
                ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
            ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            ::InvalidateRect(list, nullptr, TRUE);
        }
    }
    SelectRow(controls_[kIdVariables], c.variableSelected);
    SelectRow(controls_[kIdValues], c.valueSelected);
    HWND scroll = controls_[kIdScroll];
    int low = 0;
    int high = 0;
    ::GetScrollRange(scroll, SB_CTL, &low, &high);
    if (high != c.scrollMax)
        ::SetScrollRange(scroll, SB_CTL, 0, c.scrollMax, TRUE);
    if (::GetScrollPos(scroll, SB_CTL) != c.scrollValue)
        ::SetScrollPos(scroll, SB_CTL, c.scrollValue, TRUE);
    if (expandedShown_ != c.Expanded())
        ApplyHeight();
    ShowDefault();
}

HWND Form1Window::DefaultButton() const {
    // The focused push button is the default for the moment, as in any
    // dialog; with none focused, Launch is.
    HWND focus = ::GetFocus();
    return IsPushButton(focus) && ::IsChild(hwnd_.Get(), focus) ? focus : controls_.at(kIdLaunch);
}

void Form1Window::ShowDefault() {
    HWND current = DefaultButton(); // it wears the default frame
    for (int id : {kIdQuery, kIdExpand, kIdAbout, kIdLaunch}) {
        const LONG style = controls_[id] == current ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((::GetWindowLongA(controls_[id], GWL_STYLE) & BS_TYPEMASK) != style)
            ::SendMessageA(controls_[id], BM_SETSTYLE, static_cast<WPARAM>(style), TRUE);
    }
}

void Form1Window::PaintNow() {
    Sync();
    ::RedrawWindow(hwnd_.Get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool Form1Window::PreTranslate(MSG& msg) {
    HWND hwnd = hwnd_.Get();
    if (!hwnd || (msg.hwnd != hwnd && !::IsChild(hwnd, msg.hwnd)))
        return false;
    if (msg.message == WM_MOUSEMOVE && msg.hwnd == controls_[kIdValues] && tipRow_ >= 0) {
        // Another row under the pointer: the tooltip is asked anew for it.
        if (RowAt(msg.hwnd, msg.lParam) != tipRow_) {
            tipRow_ = -1;
            ::SendMessageA(tooltip_, TTM_POP, 0, 0);
        }
    }
    if (msg.message == WM_KEYDOWN && msg.hwnd == controls_[kIdPatch] &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_SPACE)) {
        ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(kIdPatch, STN_CLICKED),
                       reinterpret_cast<LPARAM>(msg.hwnd));
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        // Enter presses the focused push button, and otherwise the default:
        // Launch, when it can be pressed.
        HWND target = DefaultButton();
        if (::IsWindowVisible(target) && ::IsWindowEnabled(target))
            ::SendMessageA(target, BM_CLICK, 0, 0);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        const bool back = ::GetKeyState(VK_SHIFT) < 0;
        const int count = static_cast<int>(std::size(kForm1TabOrder));
        const int focused = ::GetDlgCtrlID(::GetFocus());
        int at = static_cast<int>(
            std::find(std::begin(kForm1TabOrder), std::end(kForm1TabOrder), focused) -
            std::begin(kForm1TabOrder));
        if (at == count)
            at = back ? 0 : count - 1;
        for (int step = 1; step <= count; ++step) {
            HWND next =
                controls_[kForm1TabOrder[((at + (back ? -step : step)) % count + count) % count]];
            if (::IsWindowVisible(next) && ::IsWindowEnabled(next) &&
                (::GetWindowLongA(next, GWL_STYLE) & WS_TABSTOP)) {
                ::SetFocus(next);
                ShowDefault();
                break;
            }
        }
        return true;
    }
    return ::IsDialogMessageA(hwnd, &msg) != FALSE;
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

LRESULT Form1Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_.Get();
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        Sync();
        return 0;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == controls_[kIdScroll]) {
            OnScroll(LOWORD(wParam));
            Sync();
        }
        return 0;
    case WM_TIMER:
        if (wParam == kPingTimerId) {
            form_.Ping_Timer();
            if (!form_.PingPending())
                ::KillTimer(hwnd, kPingTimerId), pingTimer_ = false;
            return 0;
        }
        if (wParam == kTimerId) {
            form_.Timer1_Timer();
            if (hwnd_)
                Sync();
        }
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(RowHeight());
        return TRUE;
    case WM_DRAWITEM:
        DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom != tooltip_)
            return 0;
        if (header->code == NM_CUSTOMDRAW)
            return DrawNameTip(*reinterpret_cast<const NMTTCUSTOMDRAW*>(lParam));
        auto* tip = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        if (tip->hdr.code != TTN_GETDISPINFOA)
            return 0;
        nameTipShown_ = reinterpret_cast<HWND>(tip->hdr.idFrom) == controls_[kIdGlance];
        if (reinterpret_cast<HWND>(tip->hdr.idFrom) == controls_[kIdValues])
            tip->lpszText = const_cast<char*>(RowTipText());
        if (nameTipShown_) {
            nameTip_ = Uncoloured(form_.Controls().serverName);
            tip->lpszText = const_cast<char*>(nameTip_.c_str());
        }
        return 0;
    }
    case DM_GETDEFID:
        return MAKELRESULT(kIdLaunch, DC_HASDEFID);
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        fonts_.Make(dpi_);
        for (auto& [id, control] : controls_)
            ::SendMessageA(control, WM_SETFONT,
                           reinterpret_cast<WPARAM>(
                               fonts_.Get(id == kIdStatus ? kStatusLabel.font : DesignOf(id).font)),
                           TRUE);
        for (int id : {kIdVariables, kIdValues})
            ::SendMessageA(controls_[id], LB_SETITEMHEIGHT, 0, RowHeight());
        FitLabels(); // the new fonts measure the same texts anew
        Layout();
        ApplyHeight();
        return 0;
    }
    case kMsgJobFinished:
        form_.JobFinished();
        if (hwnd_)
            Sync();
        return 0;
    case kMsgGameEnded:
        form_.GameEnded();
        Sync();
        return 0;
    case WM_CLOSE:
        if (form_.Doing() != Activity::Idle)
            return 0; // a switch is not cut short, and the game is waited for
        ::KillTimer(hwnd, kTimerId);
        form_.Form_Unload();
        return 0;
    default:
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void Form1Window::OnCommand(int id, int code) {
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
        if (code == STN_CLICKED && c.lblPatchMeVisible && c.lblPatchMeEnabled)
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
}

void Form1Window::OnScroll(int code) {
    HWND scroll = controls_[kIdScroll];
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ::GetScrollInfo(scroll, SB_CTL, &info);
    int value = info.nPos;
    switch (code) {
    case SB_LINEUP:
    case SB_PAGEUP: // small and large change are both 1
        --value;
        break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN:
        ++value;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        value = info.nTrackPos;
        break;
    case SB_TOP:
        value = info.nMin;
        break;
    case SB_BOTTOM:
        value = info.nMax;
        break;
    default:
        return;
    }
    value = std::clamp(value, 0, form_.Controls().scrollMax);
    ::SetScrollPos(scroll, SB_CTL, value, TRUE);
    form_.VScroll1_Change(value);
}

} // namespace quorin::win32
