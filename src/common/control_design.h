// What a window's design is made of: controls placed in twips (1/1440
// inch), and the one conversion from twips to pixels at a window's DPI.
#pragma once

#include <cmath>
#include <string_view>

namespace quorin {

inline constexpr int kTwipsPerInch = 1440;

inline int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}
inline double PixelsToTwips(int pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

// Where a box of `inner` twips is centred in one of `outer` twips, kept in
// floating point: (5415 - 1410) / 2 is 2002.5.
inline double CentredOffset(double outer, double inner) {
    return (outer - inner) / 2;
}

enum class ControlKind { Button, Label, ListBox, ScrollBar, Edit, Panel };

enum class Font { Default, Bold, List, Title };

struct ControlDesign {
    int id;
    std::string_view name;
    ControlKind kind;
    std::string_view text;
    int left, top, width, height;
    Font font = Font::Default;
    bool autoSize = false; // a label that sizes itself to its text
    bool centred = false;
    // A caption label that ends where its design ends, whatever the font's
    // width: "Server IP:" and its kin stand flush against their values.
    bool keepRight = false;
};

} // namespace quorin
