// The Patch Files window: the store's inspection, and the take of the
// game's own files, which runs in the window's own thread while the
// window keeps answering (Stop and Close are read between the files'
// pieces).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/win32/win.h"

namespace quorin::win32 {

struct PatchFilesPlace {
    std::string toolFolder;  // holds "Patch Files"
    std::string installPath; // the game's, from the registry
    std::optional<std::uint32_t> marker;
};

class PatchFilesBox {
  public:
    // Shows a fresh window; `owner` takes no input until it closes.
    void ShowModal(HWND owner, const PatchFilesPlace& place);
};

} // namespace quorin::win32
