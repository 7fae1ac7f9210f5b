// The details panel: the server's variables and values in two lists drawn
// in the game's colours, with a row per player after the server's pairs, and
// the tooltips that spell out a row and the server's name.
#include "console/win32/form1_window.h"

#include "console/layout.h"
#include "console/server_text.h"

namespace quorin::win32 {

void Form1Window::SyncLists() {
    const Form1Controls& c = form_.Controls();
    if (listsShown_ != form_.ListsGeneration()) {
        listsShown_ = form_.ListsGeneration();
        maxClients_ = MaxClients(c.lstSVRVariable, c.lstSVRValue);
        pairRows_ = c.pairRows;
        variableRows_ = c.lstSVRVariable;
        valueRows_ = c.lstSVRValue;
        details_.Refilled();
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
    // A list the player holds the mouse button down on is left alone until
    // it is let go: its row is the player's, told to the workflow then.
    HWND held = ::GetCapture();
    if (held != controls_[kIdVariables] && held != controls_[kIdValues]) {
        PairedLists::Select(controls_[kIdVariables], c.variableSelected);
        PairedLists::Select(controls_[kIdValues], c.valueSelected);
    }
    details_.ShowScroll(c.scrollMax, c.scrollValue);
}

// A row's text from the rows the lists were filled with, never read back
// through LB_GETTEXT: Wine's ANSI thunk gives a Unicode list box a fixed
// 512-character buffer for that, which a long row overflows.
std::string Form1Window::RowText(HWND list, int index) const {
    const std::vector<std::string>& rows = list == Control(kIdValues) ? valueRows_ : variableRows_;
    return index >= 0 && static_cast<std::size_t>(index) < rows.size() ? rows[index]
                                                                       : std::string();
}

bool Form1Window::IsPlayerRow(int row) const {
    return row >= pairRows_ && row < static_cast<int>(valueRows_.size());
}

std::vector<TextRun> Form1Window::RunsOf(HWND list, int row) const {
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (row < 0 || row >= count)
        return {};
    const std::string text = RowText(list, row);
    if (!IsPlayerRow(row))
        return RowRuns(text, row == pairRows_ - 1, maxClients_);
    return list == Control(kIdValues) ? PlayerRuns(text) : ColourRuns(text);
}

LRESULT Form1Window::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    item.itemHeight = static_cast<UINT>(RowHeight(fonts_.Get(Font::List)));
    return TRUE;
}

LRESULT Form1Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
    // The players' rows, after the server's pairs, are set apart by a tint
    // and show a player's name, score and ping.
    const int row = static_cast<int>(item.itemID);
    DrawColouredRow(item, RunsOf(item.hwndItem, row), fonts_.Get(Font::List), IsPlayerRow(row));
    return TRUE;
}

LRESULT Form1Window::OnNotify(NMHDR& header) {
    if (header.hwndFrom != tooltip_)
        return 0;
    if (header.code == NM_CUSTOMDRAW) // the server's name, in the game's colours
        return nameTipShown_ ? DrawColouredTip(reinterpret_cast<const NMTTCUSTOMDRAW&>(header),
                                               ColourRuns(form_.Controls().serverName))
                             : CDRF_DODEFAULT;
    if (header.code != TTN_GETDISPINFOA)
        return 0;
    auto& tip = reinterpret_cast<NMTTDISPINFOA&>(header);
    nameTipShown_ = reinterpret_cast<HWND>(tip.hdr.idFrom) == controls_[kIdGlance];
    if (reinterpret_cast<HWND>(tip.hdr.idFrom) == controls_[kIdValues])
        tip.lpszText = const_cast<char*>(RowTipText());
    if (nameTipShown_) {
        nameTip_ = Uncoloured(form_.Controls().serverName);
        tip.lpszText = const_cast<char*>(nameTip_.c_str());
    }
    return 0;
}

const char* Form1Window::RowTipText() {
    const int row = rowTip_.RowUnderPointer();
    rowTipText_ = row < 0
                      ? std::string()
                      : RowTip(RowText(Control(kIdValues), row), row == pairRows_ - 1, maxClients_);
    return rowTipText_.c_str();
}

} // namespace quorin::win32
