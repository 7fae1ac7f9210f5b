#include "common/win32/tool_dialog.h"

#include <cstring>

namespace quorin::win32 {

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
} // namespace

void ToolDialog::RunModal(const char* caption, int clientWidth, int clientHeight,
                          std::span<const ControlDesign> controls, HWND disabled) {
    layout_ = {caption, clientWidth, clientHeight, controls};
    // The system's dialog box and its modal loop, from a template without
    // controls or caption: both are made when it starts, at its DPI.
    alignas(DWORD) WORD blank[12] = {}; // style, extended style, no items, no menu, no title
    std::memcpy(blank, &kStyle, sizeof kStyle);
    std::memcpy(blank + 2, &kExStyle, sizeof kExStyle);
    const bool wasEnabled = disabled && ::IsWindowEnabled(disabled);
    if (wasEnabled)
        ::EnableWindow(disabled, FALSE);
    ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr),
                              reinterpret_cast<const DLGTEMPLATE*>(blank), nullptr,
                              &ToolDialog::Proc, reinterpret_cast<LPARAM>(this));
    if (wasEnabled)
        ::EnableWindow(disabled, TRUE);
    hwnd_ = nullptr;
    controls_.clear();
}

void ToolDialog::Build(HWND hwnd) {
    hwnd_ = hwnd;
    ::SetWindowTextA(hwnd, layout_.caption);
    const int dpi = WindowDpi(hwnd);
    fonts_.Make(dpi);
    for (const ControlDesign& design : layout_.controls) {
        HWND control = CreateControl(hwnd, design, fonts_);
        controls_[design.id] = control;
        if (design.autoSize)
            FitLabelToText(control);
        PlaceControl(control, design, dpi);
    }
    RECT frame{0, 0, TwipsToPixels(layout_.width, dpi), TwipsToPixels(layout_.height, dpi)};
    ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    OnInit();
    if (!layout_.controls.empty())
        ::SetFocus(controls_[layout_.controls.front().id]);
}

void ToolDialog::Close() {
    if (hwnd_)
        ::EndDialog(hwnd_, 0);
}

INT_PTR CALLBACK ToolDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<ToolDialog*>(lParam)->Build(hwnd);
        return FALSE; // the focus is set
    }
    auto* self = reinterpret_cast<ToolDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self || self->hwnd_ != hwnd)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        self->OnClose();
        return TRUE;
    case DM_GETDEFID:
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, MAKELRESULT(IDOK, DC_HASDEFID));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(LabelColours(
            reinterpret_cast<HDC>(wParam), self->LabelTextColour(reinterpret_cast<HWND>(lParam))));
    default:
        return FALSE;
    }
}

} // namespace quorin::win32
