// The servers' list of "Quorin - Servers": its rows taken from the model
// through the filters and the order the player chose, each cell's text,
// the names drawn in the game's colours, and a join of the selected row.
#include <ctime>

#include "browser/win32/browser_window.h"
#include "console/server_text.h"

namespace quorin::win32 {
namespace {

// The game's colours on the list's white, as the details panel draws them.
void DrawRuns(HDC dc, RECT box, const std::vector<TextRun>& runs, COLORREF plain) {
    ::SetBkMode(dc, TRANSPARENT);
    int x = box.left;
    for (const TextRun& run : runs) {
        if (run.separator)
            continue;
        const auto shade = GameColour(run.colour);
        ::SetTextColor(dc, shade ? RGB(shade->r, shade->g, shade->b) : plain);
        RECT rest{x, box.top, box.right, box.bottom};
        ::DrawTextA(dc, run.text.data(), static_cast<int>(run.text.size()), &rest,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SIZE size{};
        ::GetTextExtentPoint32A(dc, run.text.data(), static_cast<int>(run.text.size()), &size);
        x += size.cx;
        if (x >= box.right)
            break;
    }
}

// The name column: the server's name, and the players the find box found there.
std::string NameCell(const ServerRow& row) {
    std::string text = CellText(row, Column::Name);
    for (std::size_t i = 0; i < row.matches.size(); ++i)
        text += (i == 0 ? "^7   (playing: " : "^7, ") + row.matches[i];
    return row.matches.empty() ? text : text + "^7)";
}

} // namespace

std::string BrowserWindow::JoinedText(std::int64_t when) const {
    if (when <= 0)
        return {};
    // Seconds since 1970 as a FILETIME, in the player's own time and way.
    const ULONGLONG ticks = (static_cast<ULONGLONG>(when) + 11644473600ULL) * 10000000ULL;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time))
        return {};
    char date[64] = {}, clock[64] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, sizeof clock);
    return std::string(date) + " " + clock;
}

void BrowserWindow::ReadFilter() {
    filter_.version = static_cast<VersionFilter>(
        std::clamp<LRESULT>(::SendMessageA(controls_[kIdVersion], CB_GETCURSEL, 0, 0), 0, 2));
    const auto checked = [&](int id) {
        return ::SendMessageA(controls_[id], BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    filter_.hideEmpty = checked(kIdHideEmpty);
    filter_.hideFull = checked(kIdHideFull);
    filter_.hidePassworded = checked(kIdHidePassworded);
    filter_.hideBotsOnly = checked(kIdHideBots);
    const auto show = static_cast<ShowFilter>(
        std::clamp<LRESULT>(::SendMessageA(controls_[kIdShow], CB_GETCURSEL, 0, 0), 0, 2));
    if (show == ShowFilter::Recent && filter_.show != show) { // newest first
        column_ = Column::Joined;
        descending_ = false;
    }
    filter_.show = show;
    filter_.text = WindowText(controls_[kIdFind]);
    // Written when it changed: the find box's keys change nothing kept.
    const std::string before = FiltersText(settings_.filter);
    settings_.filter = filter_;
    settings_.filter.text.clear();
    if (FiltersText(settings_.filter) != before)
        Save(kFiltersValue, FiltersText(settings_.filter));
    Sync(true);
}

int BrowserWindow::Selected() const {
    return static_cast<int>(::SendMessageA(controls_.at(kIdList), LVM_GETNEXTITEM,
                                           static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void BrowserWindow::Sync(bool force) {
    const std::uint64_t revision = model_.Revision();
    if (!force && revision == shownRevision_)
        return;
    shownRevision_ = revision;
    // The selection follows its server, wherever the new order puts it.
    const int selected = Selected();
    const bool keep = selected >= 0 && static_cast<std::size_t>(selected) < view_.rows.size();
    const ServerAddress kept = keep ? view_.rows[selected].address : ServerAddress{};
    const std::string installed = hooks_.installedVersion ? hooks_.installedVersion() : "";
    view_ = model_.Take(filter_, column_, descending_, installed);
    HWND list = controls_[kIdList];
    ::SendMessageA(list, LVM_SETITEMCOUNT, view_.rows.size(),
                   LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    for (std::size_t i = 0; keep && i < view_.rows.size(); ++i) {
        if (view_.rows[i].address != kept)
            continue;
        if (static_cast<int>(i) != selected) {
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            ::SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        }
        break;
    }
    ::InvalidateRect(list, nullptr, FALSE);
    if (const int error = socketError_)
        failure_ =
            "The list could not be refreshed: Windows Sockets error " + std::to_string(error) + ".";
    // With no master, the player's own servers are still counted.
    status_ = failure_.empty() ? StatusText(view_.counts, refreshing_)
              : view_.counts.servers == 0
                  ? failure_
                  : failure_ + "   " + StatusText(view_.counts, refreshing_);
    if (masters_.masters.size() > RefreshLimits{}.masters)
        status_ += "   Only the first " + std::to_string(RefreshLimits{}.masters) + " of " +
                   std::to_string(masters_.masters.size()) + " masters are asked.";
    for (const std::string& problem : loaded_.problems)
        status_ += "   " + problem;
    if (!masters_.rejected.empty()) {
        status_ += "   Not a master (\"Masters\" setting):";
        for (const std::string& word : masters_.rejected)
            status_ += " " + word;
    }
    ::SendMessageA(controls_[kIdStatusBar], SB_SETTEXTA, 0,
                   reinterpret_cast<LPARAM>(status_.c_str()));
    ShowPlayers(); // the selected server may have changed or gone
    UpdateFavouriteButton();
}

void BrowserWindow::JoinSelected() {
    const int selected = Selected();
    if (!hooks_.join || selected < 0 || static_cast<std::size_t>(selected) >= view_.rows.size())
        return;
    // A server the game cannot join is not offered: the status bar says why.
    const ServerRow& row = view_.rows[selected];
    if (const std::string why = WhyNotJoinable(row); !why.empty()) {
        status_ = why;
        ::SendMessageA(controls_[kIdStatusBar], SB_SETTEXTA, 0,
                       reinterpret_cast<LPARAM>(status_.c_str()));
        return;
    }
    settings_.recent = LoadSettings(store_).settings.recent; // another Quorin may have joined
    NoteJoined(settings_.recent, row.address, static_cast<std::int64_t>(std::time(nullptr)));
    Save(kRecentValue, RecentText(settings_.recent));
    hooks_.join(row);
}

std::string BrowserWindow::NameAt(int list, std::size_t index) const {
    if (list == kIdPlayers)
        return index < playersShown_.size() ? playersShown_[index].name : std::string();
    return index < view_.rows.size() ? NameCell(view_.rows[index]) : std::string();
}

LRESULT BrowserWindow::OnNotify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (id != kIdList && id != kIdPlayers)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOA: {
        auto& item =
            const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header)).item;
        const auto index = static_cast<std::size_t>(item.iItem);
        if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iSubItem < 0)
            return 0;
        if (id == kIdPlayers) {
            if (index >= playersShown_.size() || item.iSubItem > 2)
                return 0;
            const Player& player = playersShown_[index];
            cell_ = item.iSubItem == 0   ? Uncoloured(player.name)
                    : item.iSubItem == 1 ? std::to_string(player.score)
                                         : std::to_string(player.ping);
        } else {
            if (index >= view_.rows.size() || item.iSubItem >= kColumnCount)
                return 0;
            const ServerRow& row = view_.rows[index];
            const Column column = static_cast<Column>(item.iSubItem);
            cell_ = column == Column::Name     ? Uncoloured(NameCell(row))
                    : column == Column::Joined ? JoinedText(row.joinedAt)
                                               : CellText(row, column);
        }
        ::lstrcpynA(item.pszText, cell_.c_str(), item.cchTextMax);
        return 0;
    }
    case LVN_COLUMNCLICK: {
        if (id != kIdList)
            return 0;
        const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
        const Column column = static_cast<Column>(click.iSubItem);
        descending_ = column == column_ ? !descending_ : false;
        column_ = column;
        settings_.column = column_;
        settings_.descending = descending_;
        Save(kSortValue, SortText(column_, descending_));
        Sync(true);
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (id == kIdList && (change.uNewState & LVIS_SELECTED) &&
            !(change.uOldState & LVIS_SELECTED))
            AskPlayers();
        if (id == kIdList && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            UpdateFavouriteButton();
        return 0;
    }
    case LVN_ITEMACTIVATE:
        if (id == kIdList)
            JoinSelected();
        return 0;
    case NM_CUSTOMDRAW:
        return DrawName(
            id, const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
    default:
        return 0;
    }
}

LRESULT BrowserWindow::DrawName(int id, NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        break;
    default:
        return CDRF_DODEFAULT;
    }
    const std::size_t index = draw.nmcd.dwItemSpec;
    const std::string name = NameAt(id, index);
    if (draw.iSubItem != 0 || name.empty())
        return CDRF_DODEFAULT;
    HWND list = controls_[id];
    RECT cell{};
    cell.top = 0; // the whole subitem
    cell.left = LVIR_BOUNDS;
    ::SendMessageA(list, LVM_GETSUBITEMRECT, index, reinterpret_cast<LPARAM>(&cell));
    // The first column's bounds are the whole row's: it ends where the second begins.
    cell.right = cell.left + static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const bool selected =
        ::SendMessageA(list, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED;
    ::FillRect(draw.nmcd.hdc, &cell, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    cell.left += 4;
    DrawRuns(draw.nmcd.hdc, cell, ColourRuns(name),
             ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    return CDRF_SKIPDEFAULT;
}

} // namespace quorin::win32
