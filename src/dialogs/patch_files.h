// The Patch Files window: what the patch store holds for each version, what
// stands in the way of a switch, and the take of the game's own files.
#pragma once

#include <optional>
#include <string>

#include "common/control_design.h"
#include "install/store_take.h"

namespace quorin {

inline constexpr char kPatchFilesTitle[] = "Patch Files";

inline constexpr int kPatchFilesClientWidth = 7200;
inline constexpr int kPatchFilesClientHeight = 3900;
enum PatchFilesId {
    kIdPfTake = 401,
    kIdPfStop,
    kIdPfClose = 2, // IDCANCEL: Esc
    kIdPf100Caption = 410,
    kIdPf100,
    kIdPf101Caption,
    kIdPf101,
    kIdPfChecks,
    kIdPfProgress,
};
// In tab order.
inline constexpr ControlDesign kPatchFilesControls[] = {
    {kIdPfTake, "cmdTake", ControlKind::Button, "&Take this game's files", 120, 3420, 3900, 375},
    {kIdPfStop, "cmdStop", ControlKind::Button, "&Stop", 4140, 3420, 1335, 375},
    {kIdPfClose, "cmdClose", ControlKind::Button, "&Close", 5745, 3420, 1335, 375},
    {kIdPf100Caption, "Label1", ControlKind::Label, "1.0.0:", 120, 120, 600, 195, Font::Bold},
    {kIdPf100, "lbl100", ControlKind::Label, "", 840, 120, 6240, 780},
    {kIdPf101Caption, "Label2", ControlKind::Label, "1.0.1:", 120, 1020, 600, 195, Font::Bold},
    {kIdPf101, "lbl101", ControlKind::Label, "", 840, 1020, 6240, 780},
    {kIdPfChecks, "lblChecks", ControlKind::Label, "", 120, 1920, 6960, 975},
    {kIdPfProgress, "lblProgress", ControlKind::Label, "", 120, 2985, 6960, 390},
};

// One version's line: complete or not, its files and bytes, what it lacks.
std::string VersionText(const VersionReport& version);
// What the checks found before any switch.
std::string ChecksText(const StoreReport& report);
std::string ProgressText(const TakeProgress& progress);
// The take button's caption for the installation's version, when known.
std::string TakeButtonText(std::optional<int> version);

} // namespace quorin
