#include "common/win32/tool_dialog.h"

namespace quorin::win32 {

namespace {
constexpr char kClassName[] = "QuorinDialog";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
} // namespace

HWND ToolDialog::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void ToolDialog::RunModal(const char* caption, int clientWidth, int clientHeight,
                          std::span<const ControlDesign> controls, HWND disabled) {
    RegisterToolClass(kClassName, &ToolDialog::Proc, ::GetSysColorBrush(COLOR_BTNFACE));
    done_ = false;
    HWND hwnd = ::CreateWindowExA(kExStyle, kClassName, caption, kStyle, 0, 0, 100, 100, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), this);
    if (!hwnd)
        return;
    hwnd_ = hwnd;
    const int dpi = WindowDpi(hwnd);
    fonts_.Make(dpi);
    for (const ControlDesign& design : controls) {
        HWND control = CreateControl(hwnd, design, fonts_);
        controls_[design.id] = control;
        if (design.autoSize)
            FitLabelToText(control);
        PlaceControl(control, design, dpi);
    }
    RECT frame{0, 0, TwipsToPixels(clientWidth, dpi), TwipsToPixels(clientHeight, dpi)};
    ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    OnInit();
    const bool wasEnabled = disabled && ::IsWindowEnabled(disabled);
    if (wasEnabled)
        ::EnableWindow(disabled, FALSE);
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    if (!controls.empty())
        ::SetFocus(controls_[controls.front().id]);
    RunModalLoop(hwnd, done_);
    if (wasEnabled)
        ::EnableWindow(disabled, TRUE);
    ::DestroyWindow(hwnd);
    hwnd_ = nullptr;
    controls_.clear();
}

LRESULT CALLBACK ToolDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ToolDialog*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && self->hwnd_ == hwnd) {
        switch (message) {
        case WM_COMMAND:
            self->OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            self->OnClose();
            return 0;
        case WM_ACTIVATE: // the focus is where the player left it, after another program
            if (LOWORD(wParam) == WA_INACTIVE) {
                self->focus_ = ::GetFocus();
            } else if (self->focus_ && ::IsChild(hwnd, self->focus_)) {
                ::SetFocus(self->focus_);
                return 0;
            }
            break;
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (HBRUSH brush = self->OnColor(dc, reinterpret_cast<HWND>(lParam)))
                return reinterpret_cast<LRESULT>(brush);
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        default:
            break;
        }
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace quorin::win32
