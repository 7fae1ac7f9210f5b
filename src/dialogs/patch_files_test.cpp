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
    EXPECT_EQ(ProgressText({false, 2, 3}), "Reading the game's files: 66%");
    EXPECT_EQ(ProgressText({true, 0, 0}), "Copying into the store: ...");
    StoreReport recorded;
    recorded.record = StoreRecord{{100, 101}, {}, {"base\\added.pk3"}};
    EXPECT_TRUE(ChecksText(recorded).ends_with("which a switch down removes: base\\added.pk3."));
}

TEST(PatchFilesText, SizesAndListsAtTheirEdges) {
    const auto held = [](std::uint64_t bytes) {
        return VersionText({101, true, true, 1, bytes, {}});
    };
    EXPECT_EQ(held(1024), "Complete for a switch: 1 file(s), 1 KB.");
    EXPECT_EQ(held(1025), "Complete for a switch: 1 file(s), 2 KB.");
    EXPECT_EQ(held(1 << 20), "Complete for a switch: 1 file(s), 1.0 MB.");
    EXPECT_EQ(VersionText({100, false, false, 0, 0, {"A.", "B."}}), "A. B.");
    EXPECT_EQ(VersionText({100, false, false, 0, 0, {"A.", "B.", "C."}}), "A. B. (and 1 more)");
    StoreReport report;
    report.problems = {"1.", "2.", "3.", "4."};
    report.record = StoreRecord{{100, 101}, {}, {}}; // nothing only 1.0.1 has
    EXPECT_EQ(ChecksText(report), "Before any switch: 1. 2. 3. (and 1 more)");
    report.record->only101 = {"a", "b", "c"};
    EXPECT_TRUE(ChecksText(report).ends_with(" removes: a, b, c."));
    report.record->only101.push_back("d");
    EXPECT_TRUE(ChecksText(report).ends_with(" removes: a, b, c, ...."));
}

} // namespace
} // namespace quorin
