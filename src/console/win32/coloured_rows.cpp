#include "console/win32/coloured_rows.h"

#include "common/win32/unique_handle.h"

namespace quorin::win32 {

namespace {

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

} // namespace

int RowHeight(HFONT font) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

int RowAt(HWND list, LPARAM point) {
    const LRESULT hit = ::SendMessageA(list, LB_ITEMFROMPOINT, 0, point);
    return HIWORD(hit) ? -1 : LOWORD(hit);
}

void DrawColouredRow(const DRAWITEMSTRUCT& item, const std::vector<TextRun>& runs, HFONT font,
                     bool setApart) {
    HDC dc = item.hDC;
    if (item.itemState & ODS_SELECTED) {
        const UniqueHbrush tint(::CreateSolidBrush(SelectedRowColour()));
        ::FillRect(dc, &item.rcItem, tint.Get());
    } else {
        ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(setApart ? COLOR_BTNFACE : COLOR_WINDOW));
    }
    if (!runs.empty()) {
        HGDIOBJ oldFont = ::SelectObject(dc, font);
        DrawRuns(dc, item.rcItem.left + 2, item.rcItem.top, item.rcItem.right, runs,
                 ::GetSysColor(COLOR_WINDOWTEXT));
        ::SelectObject(dc, oldFont);
    }
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &item.rcItem);
}

LRESULT DrawColouredTip(const NMTTCUSTOMDRAW& draw, const std::vector<TextRun>& runs) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYPOSTPAINT;
    if (draw.nmcd.dwDrawStage != CDDS_POSTPAINT)
        return CDRF_DODEFAULT;
    HWND tooltip = draw.nmcd.hdr.hwndFrom;
    HDC dc = draw.nmcd.hdc;
    RECT text{};
    ::GetClientRect(tooltip, &text);
    ::SendMessageA(tooltip, TTM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&text));
    const UniqueHbrush ground(::CreateSolidBrush(::GetSysColor(COLOR_INFOBK)));
    ::FillRect(dc, &text, ground.Get());
    DrawRuns(dc, text.left, text.top, text.right, runs, ::GetSysColor(COLOR_INFOTEXT));
    return CDRF_DODEFAULT;
}

int RowTooltip::RowUnderPointer() {
    POINT at{};
    ::GetCursorPos(&at);
    ::ScreenToClient(list_, &at);
    const int count = static_cast<int>(::SendMessageA(list_, LB_GETCOUNT, 0, 0));
    row_ = RowAt(list_, MAKELPARAM(at.x, at.y));
    return row_ < count ? row_ : -1;
}

void RowTooltip::PointerMoved(LPARAM point) {
    if (row_ >= 0 && RowAt(list_, point) != row_) {
        row_ = -1;
        ::SendMessageA(tooltip_, TTM_POP, 0, 0);
    }
}

} // namespace quorin::win32
