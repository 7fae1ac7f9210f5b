// The windows' designs in twips, one table per window.
#pragma once

#include <span>

#include "common/control_design.h"

namespace quorin {

// Main window.
inline constexpr int kForm1ClientWidth = 5415;
inline constexpr int kStatusBarHeight = 240;
// The client area's heights: collapsed, it ends with the status bar laid
// out at 1305; expanded, the bar goes from 4110, just below the lists' foot
// at 4080. The design's outer heights (1920 and 4725) held them under its
// own caption and borders; the window adds whatever frame it has.
inline constexpr int kForm1CollapsedClientHeight = 1305 + kStatusBarHeight;
inline constexpr int kForm1ExpandedClientHeight = 4110 + kStatusBarHeight;

enum Form1Id {
    kIdAbout = 101,
    kIdStatusBar,
    kIdStatus,
    kIdExpand,
    kIdDetailsScroll,
    kIdValues,
    kIdVariables,
    kIdQuery,
    kIdLaunch,
    kIdPatch,
    kIdIP,
    kIdPort,
    kIdServerVersion,
    kIdClientVersion,
    kIdClientVersionCaption,
    kIdServerVersionCaption,
    kIdPortCaption,
    kIdIPCaption,
    kIdGlance,
};

// From the top of the stacking order to the bottom.
inline constexpr ControlDesign kForm1Controls[] = {
    {kIdAbout, "cmdAbout", ControlKind::Button, "&About", 4560, 120, 735, 375},
    {kIdStatusBar, "picStatusBar", ControlKind::Panel, "", 0, 1305, 5415, 240},
    {kIdExpand, "cmdExpand", ControlKind::Button, "+", 5160, 840, 255, 315},
    {kIdDetailsScroll, "VScroll1", ControlKind::ScrollBar, "", 5160, 1320, 255, 2760},
    {kIdValues, "lstSVRValue", ControlKind::ListBox, "", 2160, 1320, 3255, 2760, Font::List},
    {kIdVariables, "lstSVRVariable", ControlKind::ListBox, "", 0, 1320, 2655, 2760, Font::List},
    {kIdQuery, "cmdQuery", ControlKind::Button, "Query", 3840, 120, 750, 375},
    {kIdLaunch, "cmdLaunch", ControlKind::Button, "&Launch", 3000, 120, 750, 375},
    {kIdPatch, "lblPatchMe", ControlKind::Label, "Patch", 3000, 840, 750, 195, Font::Bold, true,
     true},
    // The server at a glance, in the free space between the buttons and Patch.
    {kIdGlance, "lblGlance", ControlKind::Label, "", 3000, 540, 2415, 195},
    {kIdIP, "lblIP", ControlKind::Label, " ", 1320, 120, 45, 195, Font::Default, true},
    {kIdPort, "lblPort", ControlKind::Label, " ", 1320, 360, 45, 195, Font::Default, true},
    {kIdServerVersion, "lblSVRVersion", ControlKind::Label, " ", 1320, 600, 45, 195, Font::Default,
     true},
    {kIdClientVersion, "lblClientVersion", ControlKind::Label, " ", 1320, 840, 45, 195,
     Font::Default, true},
    {kIdClientVersionCaption, "Label5", ControlKind::Label, "Client Version:", 195, 840, 1005, 195,
     Font::Default, true, false, true},
    {kIdServerVersionCaption, "Label3", ControlKind::Label, "Server Version:", 120, 600, 1080, 195,
     Font::Default, true, false, true},
    {kIdPortCaption, "Label2", ControlKind::Label, "Server Port:", 360, 360, 840, 195,
     Font::Default, true, false, true},
    {kIdIPCaption, "Label1", ControlKind::Label, "Server IP:", 495, 120, 705, 195, Font::Default,
     true, false, true},
};
// Inside picStatusBar.
inline constexpr ControlDesign kStatusLabel = {
    kIdStatus, "lblStatus", ControlKind::Label, "About", 1500, 0, 510, 195, Font::Bold, true, true};

// Keyboard focus order; the Patch link, where Launch stands when it is not
// shown, comes after Launch.
inline constexpr int kForm1TabOrder[] = {kIdVariables, kIdLaunch, kIdPatch,
                                         kIdStatusBar, kIdValues, kIdDetailsScroll,
                                         kIdQuery,     kIdExpand, kIdAbout};

// Server settings dialog.
inline constexpr int kServerClientWidth = 3870;
inline constexpr int kServerClientHeight = 960;
enum ServerId { kIdTxtIP = 201, kIdTxtPort, kIdServerIPCaption, kIdServerPortCaption };
inline constexpr int kIdOK = 1;     // IDOK: Enter
inline constexpr int kIdCancel = 2; // IDCANCEL: Esc
// In tab order.
inline constexpr ControlDesign kServerControls[] = {
    {kIdTxtIP, "txtIP", ControlKind::Edit, "", 1200, 195, 1695, 285},
    {kIdOK, "OKButton", ControlKind::Button, "OK", 3000, 120, 735, 375},
    {kIdTxtPort, "txtPort", ControlKind::Edit, "", 1200, 555, 855, 285},
    {kIdCancel, "CancelButton", ControlKind::Button, "Cancel", 3000, 480, 735, 375},
    {kIdServerIPCaption, "Label1", ControlKind::Label, "Server IP:", 240, 240, 705, 195,
     Font::Default, true, false, true},
    {kIdServerPortCaption, "Label2", ControlKind::Label, "Server Port:", 105, 600, 840, 195,
     Font::Default, true, false, true},
};

// About box.
inline constexpr int kAboutClientWidth = 3420;
inline constexpr int kAboutClientHeight = 2940;
enum AboutId { kIdAboutTitle = 301, kIdAboutCredit, kIdAboutVersion, kIdAboutDate, kIdAboutLink };
inline constexpr ControlDesign kAboutControls[] = {
    {kIdOK, "cmdOK", ControlKind::Button, "&OK", 1343, 2520, 735, 375},
    {kIdAboutLink, "lblLink", ControlKind::Label, "", 780, 2040, 1860, 195, Font::Bold, true},
    {kIdAboutTitle, "Label3", ControlKind::Label, "Quorin", -60, 120, 3555, 480, Font::Title, false,
     true},
    {kIdAboutCredit, "Label4", ControlKind::Label, "", 443, 840, 2385, 195, Font::Default, true},
    {kIdAboutVersion, "Label2", ControlKind::Label, "Version:", 1200, 1200, 570, 195, Font::Default,
     true},
    {kIdAboutDate, "Label1", ControlKind::Label, "", 855, 1560, 1710, 195, Font::Default, true},
};

} // namespace quorin
