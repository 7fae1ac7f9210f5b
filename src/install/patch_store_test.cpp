#include "install/patch_store.h"

#include <gtest/gtest.h>

#include "tests/support/memory_store.h"

namespace quorin {
namespace {

constexpr char kStore[] = "C:\\Tool\\Patch Files";

std::string At(const std::string& name) {
    return std::string(kStore) + "\\" + name;
}

// Both versions, each complete for a switch.
void FillComplete(test::MemoryStore& store) {
    store.File(At("100\\jamp.exe"), "client 0");
    store.File(At("100\\base\\assets0.pk3"), "assets 0");
    store.File(At("101\\jamp.exe"), "client 1");
    store.File(At("101\\base\\assets0.pk3"), "assets 1");
    store.File(At("101\\base\\assets3.pk3"), "assets 3");
}

struct InspectCase {
    const char* what;
    std::function<void(test::MemoryStore&)> arrange;
    bool complete100;
    bool complete101;
    std::string said; // in a problem or a missing part; empty for none at all
};

class InspectTable : public testing::TestWithParam<InspectCase> {};

TEST_P(InspectTable, SaysWhatTheStoreHolds) {
    test::MemoryStore store;
    GetParam().arrange(store);
    const StoreReport report = InspectStore(store, "C:\\Tool");
    EXPECT_EQ(report.v100.complete, GetParam().complete100);
    EXPECT_EQ(report.v101.complete, GetParam().complete101);
    std::string all;
    for (const auto* list : {&report.problems, &report.v100.missing, &report.v101.missing})
        for (const std::string& text : *list)
            all += text + "\n";
    if (GetParam().said.empty())
        EXPECT_EQ(all, "");
    else
        EXPECT_NE(all.find(GetParam().said), std::string::npos) << all;
}

const InspectCase kInspectCases[] = {
    {"no store", [](test::MemoryStore&) {}, false, false,
     "The patch folder \"C:\\Tool\\Patch Files\\100\" is missing."},
    {"empty folders",
     [](test::MemoryStore& s) {
         s.Folder(kStore);
         s.Folder(At("100"));
         s.File(At("101\\readme-101.txt"), "note");
     },
     false, false, "\"C:\\Tool\\Patch Files\\101\" holds none of the game's files."},
    {"no 1.0.1 base folder",
     [](test::MemoryStore& s) {
         s.File(At("100\\jamp.exe"), "0");
         s.File(At("101\\jamp.exe"), "1");
     },
     true, false, "\"C:\\Tool\\Patch Files\\101\\base\" is missing."},
    {"complete", FillComplete, true, true, ""},
    {"an added file unrecorded",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.File(At("101\\base\\added.pk3"), "new");
     },
     false, true, "lacks 1 file(s) that the 1.0.1 files replace: base\\added.pk3."},
    {"an added file recorded",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.File(At("101\\base\\added.pk3"), "new");
         s.File(At("Quorin store.txt"), "Quorin patch store 1\nonly101 base\\Added.pk3\nend\n");
     },
     true, true, ""},
    {"case twins",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.twins.push_back({At("100"), {"JAMP.EXE", {true, false, false, false, 8, 1}}});
     },
     true, true, "are the same file twice, in different letter case"},
    {"a link inside",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.Link(At("101\\base\\maps"), "C:\\Victim");
     },
     true, true, "The patch folder holds a link, \"C:\\Tool\\Patch Files\\101\\base\\maps\""},
    {"a linked version folder",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.nodes[FoldCase(At("101"))].state.link = true;
     },
     true, false, "\"C:\\Tool\\Patch Files\\101\" is a link."},
    {"a held file",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.held.insert(FoldCase(At("100\\base\\assets0.pk3")));
     },
     true, true, "assets0.pk3\" is in use by another program."},
    {"1.0.0 client in the 1.0.1 folder",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.versions[FoldCase(At("101\\jamp.exe"))] = "1.0.0.0";
     },
     true, true, "jamp.exe\" is the 1.0.0 client (its version resource says 1.0.0.0)"},
    {"a damaged record",
     [](test::MemoryStore& s) {
         FillComplete(s);
         s.File(At("Quorin store.txt"), "Quorin patch store 1\nonly101 ..\\..\\x\nend\n");
     },
     true, true, "Quorin store.txt\" cannot be understood"},
};

INSTANTIATE_TEST_SUITE_P(Store, InspectTable, testing::ValuesIn(kInspectCases));

TEST(InspectStore, CountsGameFilesAndBytesButNotNotes) {
    test::MemoryStore store;
    FillComplete(store);
    store.File(At("101\\readme-101.txt"), "a note");
    const StoreReport report = InspectStore(store, "C:\\Tool");
    EXPECT_EQ(report.v101.files, 3u);
    EXPECT_EQ(report.v101.bytes, 24u);
}

TEST(StoreRecord, ReadsBackWhatItWrote) {
    const StoreRecord record{
        {100, 101},
        {{100, "jamp.exe", {7, 0xfedcba9876543210ull}}, {0, "base\\assets0.pk3", {1, 2}}},
        {"base\\added.pk3"}};
    EXPECT_EQ(ParseStoreRecord(FormatStoreRecord(record)), record);
}

TEST(StoreRecord, RefusesWhatQuorinWouldNotWrite) {
    const std::string head = "Quorin patch store 1\n";
    for (const std::string& text : {
             std::string("Quorin patch store 2\nend\n"),
             head + "taken 102\nend\n",
             head + "taken 100\ntaken 100\nend\n",
             head + "only101 C:\\Windows\\x\nend\n",
             head + "file 100 12 zz jamp.exe\nend\n",
             head + "file 99 12 ab jamp.exe\nend\n",
             head + "only101 a\n",      // cut short
             head + "end\ntaken 100\n", // more after its end
             head + "removed x\nend\n",
             head + std::string(kStoreLineLimit + 1, 'x') + "\nend\n",
         })
        EXPECT_EQ(ParseStoreRecord(text), std::nullopt) << text;
}

} // namespace
} // namespace quorin
