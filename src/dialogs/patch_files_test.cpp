#include "dialogs/patch_files.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(PatchFilesText, SaysCompleteOrWhatIsMissingAndHowFar) {
    const struct {
        VersionReport version;
        const char* text;
    } cases[] = {
        {{100, false, false, 0, 0, {"The patch folder \"P\\100\" is missing."}},
         "The patch folder \"P\\100\" is missing."},
        {{101, true, true, 3, 5 << 20 | 1 << 19, {}}, "Complete for a switch: 3 file(s), 5.5 MB."},
        {{100, true, false, 1, 1000, {"A.", "B.", "C."}},
         "Not complete for a switch (1 file(s), 1 KB). A. B. (and 1 more)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VersionText(c.version), c.text);
    EXPECT_EQ(ProgressText({false, 1, 3}), "Reading the game's files: 33%");
    EXPECT_EQ(ProgressText({true, 0, 0}), "Copying into the store: ...");
    StoreReport recorded;
    recorded.record = StoreRecord{{100, 101}, {}, {"base\\added.pk3"}};
    EXPECT_TRUE(ChecksText(recorded).ends_with("which a switch down removes: base\\added.pk3."));
}

} // namespace
} // namespace quorin
