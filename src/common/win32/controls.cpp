#include "common/win32/controls.h"

#include <commctrl.h>

#include "common/win32/system_dll.h"

namespace quorin::win32 {

namespace {
// Pixels a label sized to its text gets beyond the text's measured width.
constexpr int kLabelSlack = 3;
} // namespace

int WindowDpi(HWND window) {
    // A window's own DPI is Windows 10's; older systems have the screen's.
    using GetDpiForWindowFn = UINT WINAPI(HWND);
    static const SystemDll user32("user32.dll");
    static const auto getDpi = user32.Find<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpi && window)
        if (const UINT dpi = getDpi(window))
            return static_cast<int>(dpi);
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void FontSet::Make(int dpi) {
    auto make = [dpi](const char* face, double points, int weight, bool italic) {
        const int height = -static_cast<int>(std::lround(points * dpi / 72));
        return UniqueHfont(::CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE,
                                         ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                         DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face));
    };
    // Where a face is missing, Wine and Windows substitute their nearest
    // (Liberation Sans for MS Sans Serif and Arial under Wine).
    fonts_.clear();
    fonts_[Font::Default] = make("MS Sans Serif", 8.25, FW_NORMAL, false);
    fonts_[Font::Bold] = make("MS Sans Serif", 8.25, FW_BOLD, false);
    fonts_[Font::List] = make("Arial", 8.25, FW_NORMAL, false);
    fonts_[Font::Title] = make("Verdana", 9.75, FW_BOLD, true);
}

HFONT FontSet::Get(Font font) const {
    const auto it = fonts_.find(font);
    return it == fonts_.end() ? nullptr : it->second.Get();
}

HWND CreateControl(HWND parent, const ControlDesign& design, const FontSet& fonts) {
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    switch (design.kind) {
    case ControlKind::Button:
        cls = "BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::Label:
        // Shown exactly as written: "&" is no access key here.
        // A label sized to its text has nothing to centre or wrap.
        style |= SS_NOPREFIX | SS_NOTIFY |
                 (design.autoSize  ? SS_LEFTNOWORDWRAP
                  : design.centred ? SS_CENTER
                                   : SS_LEFT);
        break;
    case ControlKind::ListBox:
        cls = "LISTBOX";
        // Drawn by the window that holds it; the items stay the texts given.
        style |=
            LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ScrollBar:
        cls = "SCROLLBAR";
        style |= SBS_VERT | WS_TABSTOP;
        break;
    case ControlKind::Edit:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        exStyle = WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Panel:
        style |= SS_SUNKEN | WS_CLIPCHILDREN;
        break;
    }
    HWND control =
        ::CreateWindowExA(exStyle, cls, std::string(design.text).c_str(), style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)),
                          ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(design.font)), FALSE);
    return control;
}

void PlaceControl(HWND control, const ControlDesign& design, int dpi) {
    RECT now{};
    ::GetWindowRect(control, &now);
    int width = TwipsToPixels(design.width, dpi);
    int height = TwipsToPixels(design.height, dpi);
    int left = TwipsToPixels(design.left, dpi);
    if (design.autoSize && design.kind == ControlKind::Label) {
        width = now.right - now.left; // sized by its text
        height = now.bottom - now.top;
        if (design.keepRight) // the text's end, not its slack, meets the design's end
            left = TwipsToPixels(design.left + design.width, dpi) - width + kLabelSlack;
    }
    ::SetWindowPos(control, nullptr, left, TwipsToPixels(design.top, dpi), width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void FitLabelToText(HWND label) {
    const std::string text = WindowText(label);
    HDC dc = ::GetDC(label);
    const auto old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT box{0, 0, 0, 0};
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
                DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    // A little slack: a label exactly as wide as its text clips the last
    // glyph's overhang ("0" in Tahoma).
    ::SetWindowPos(label, nullptr, 0, 0, box.right + kLabelSlack, box.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SetLabelText(HWND label, const std::string& text) {
    if (WindowText(label) == text)
        return false;
    // Sized first, then repainted whole: a label that grows after its text
    // was drawn keeps the old clipping otherwise.
    ::SetWindowTextA(label, text.c_str());
    FitLabelToText(label);
    ::InvalidateRect(label, nullptr, TRUE);
    return true;
}

HBRUSH LabelColours(HDC dc, COLORREF text) {
    ::SetTextColor(dc, text);
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return ::GetSysColorBrush(COLOR_BTNFACE);
}

HWND CreateTooltip(HWND owner) {
    InitCommonControls(ICC_WIN95_CLASSES);
    return ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                             0, 0, 0, owner, nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

void AddTooltip(HWND tooltip, HWND tool, const char* text) {
    TTTOOLINFOA info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = ::GetWindow(tooltip, GW_OWNER);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(text);
    ::SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

HWND ControlHost::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

ATOM RegisterToolClass(const char* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXA wc{};
    if (::GetClassInfoExA(::GetModuleHandleA(nullptr), name, &wc))
        return 1;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    wc.hIcon = ::LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
    wc.hIconSm = wc.hIcon;
    return ::RegisterClassExA(&wc);
}

} // namespace quorin::win32
