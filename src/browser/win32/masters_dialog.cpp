#include "browser/win32/masters_dialog.h"

#include <commctrl.h>

#include <algorithm>

namespace quorin::win32 {
namespace {

constexpr int kWidth = 6600, kHeight = 3900;
constexpr ControlDesign kControls[] = {
    {kIdMasterName, "txtMaster", ControlKind::Edit, "", 120, 2400, 3600, 330},
    {kIdMasterAdd, "cmdAdd", ControlKind::Button, "&Add", 3840, 2400, 1260, 330},
    {kIdMasterRemove, "cmdRemove", ControlKind::Button, "&Remove", 5220, 2400, 1260, 330},
    {kIdMasterDefaults, "cmdDefaults", ControlKind::Button, "Reset to &defaults", 120, 3420, 2000,
     360},
    {IDOK, "cmdOK", ControlKind::Button, "OK", 3840, 3420, 1260, 360},
    {IDCANCEL, "cmdCancel", ControlKind::Button, "Cancel", 5220, 3420, 1260, 360},
    {kIdMasterStatus, "lblStatus", ControlKind::Label, "", 120, 2880, 6360, 420},
};

std::string NameText(const MasterName& m) {
    return m.port == kMasterPort ? m.host : m.host + ":" + std::to_string(m.port);
}

} // namespace

std::string MastersText(const std::vector<MasterName>& masters) {
    std::string text;
    for (const MasterName& m : masters)
        text += (text.empty() ? "" : " ") + NameText(m);
    return text;
}

std::optional<std::vector<MasterName>> MastersDialog::Run(HWND owner) {
    RunModal(kMastersCaption, kWidth, kHeight, kControls, owner);
    if (!accepted_ || masters_ == given_)
        return std::nullopt;
    return masters_;
}

void MastersDialog::OnInit() {
    const int dpi = WindowDpi(Handle());
    HWND list = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                      LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                                  TwipsToPixels(120, dpi), TwipsToPixels(120, dpi),
                                  TwipsToPixels(6360, dpi), TwipsToPixels(2160, dpi), Handle(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdMasterList)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    ::SendMessageA(list, WM_SETFONT, ::SendMessageA(Control(kIdMasterName), WM_GETFONT, 0, 0),
                   FALSE);
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    controls_[kIdMasterList] = list;
    const struct {
        const char* title;
        int width;
    } columns[] = {{"Master", 3300}, {"Servers", 1100}, {"Last refresh", 1800}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = TwipsToPixels(columns[i].width, dpi);
        column.pszText = const_cast<char*>(columns[i].title);
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    ::SendMessageA(Control(kIdMasterName), EM_SETCUEBANNER, TRUE,
                   reinterpret_cast<LPARAM>(L"host or host:port"));
    Fill();
}

void MastersDialog::Fill() {
    HWND list = Control(kIdMasterList);
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < masters_.size(); ++i) {
        // What the last refresh found, for a master it asked under this name.
        const auto asked = std::find(given_.begin(), given_.end(), masters_[i]);
        const std::size_t at = static_cast<std::size_t>(asked - given_.begin());
        const bool known = asked != given_.end() && at < states_.size();
        const MasterState state = known ? states_[at] : MasterState{};
        const std::string cells[] = {NameText(masters_[i]),
                                     known && state.done ? std::to_string(state.servers) : "",
                                     MasterStateText(state, known)};
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(cells[0].c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int sub = 1; sub < 3; ++sub) {
            item.iSubItem = sub;
            item.pszText = const_cast<char*>(cells[sub].c_str());
            ::SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (masters_.size() > RefreshLimits{}.masters)
        Say("Only the first " + std::to_string(RefreshLimits{}.masters) + " masters are asked.");
}

void MastersDialog::Say(const std::string& text) {
    ::SetWindowTextA(Control(kIdMasterStatus), text.c_str());
}

void MastersDialog::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case kIdMasterAdd: {
        const std::string typed = WindowText(Control(kIdMasterName));
        const MasterNames parsed = ParseMasterNames(typed);
        if (parsed.masters.size() != 1 || !parsed.rejected.empty()) {
            Say("\"" + typed +
                "\" is not a master: type host or host:port (a port from 1 to "
                "65535).");
            return;
        }
        if (std::find(masters_.begin(), masters_.end(), parsed.masters[0]) != masters_.end()) {
            Say(NameText(parsed.masters[0]) + " is in the list already.");
            return;
        }
        masters_.push_back(parsed.masters[0]);
        ::SetWindowTextA(Control(kIdMasterName), "");
        Say("");
        Fill();
        return;
    }
    case kIdMasterRemove: {
        const auto selected = ::SendMessageA(Control(kIdMasterList), LVM_GETNEXTITEM,
                                             static_cast<WPARAM>(-1), LVNI_SELECTED);
        if (selected < 0 || static_cast<std::size_t>(selected) >= masters_.size()) {
            Say("Select the master to remove first.");
            return;
        }
        masters_.erase(masters_.begin() + selected);
        Say("");
        Fill();
        return;
    }
    case kIdMasterDefaults:
        masters_ = ParseMasterNames(std::nullopt).masters;
        Say("");
        Fill();
        return;
    case IDOK:
        // A master typed but not yet added goes in with OK (Enter).
        if (!WindowText(Control(kIdMasterName)).empty()) {
            OnCommand(kIdMasterAdd, BN_CLICKED);
            if (!WindowText(Control(kIdMasterName)).empty())
                return; // refused: the reason is shown
        }
        accepted_ = true;
        Close();
        return;
    case IDCANCEL:
        Close();
        return;
    default:
        return;
    }
}

} // namespace quorin::win32
