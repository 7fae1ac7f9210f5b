// "Masters": the master servers the list asks, each with what it gave in
// the last refresh; the player adds, removes, or goes back to the defaults.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "browser/server_list.h"
#include "common/win32/tool_dialog.h"
#include "net/master_list.h"

namespace quorin::win32 {

enum : int {
    kIdMasterList = 201,
    kIdMasterName,
    kIdMasterAdd,
    kIdMasterRemove,
    kIdMasterDefaults,
    kIdMasterStatus,
};

inline constexpr char kMastersCaption[] = "Masters";

// The "Masters" words of a list: "host" or "host:port".
std::string MastersText(const std::vector<MasterName>& masters);

class MastersDialog : public ToolDialog {
  public:
    // `states` holds what the last refresh asked: the first masters, in order.
    MastersDialog(std::vector<MasterName> masters, std::vector<MasterState> states)
        : masters_(std::move(masters)), given_(masters_), states_(std::move(states)) {}
    // The list as the player left it with OK; nothing for Cancel or no change.
    std::optional<std::vector<MasterName>> Run(HWND owner);

  private:
    void OnInit() override;
    void OnCommand(int id, int code) override;
    void Fill();
    void Say(const std::string& text);

    std::vector<MasterName> masters_;
    std::vector<MasterName> given_;
    std::vector<MasterState> states_;
    bool accepted_ = false;
};

} // namespace quorin::win32
