#include "net/status_reply.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

const std::string kHeader("\xFF\xFF\xFF\xFFstatusResponse", 18);

TEST(StatusRequest, IsExactlyTheSeventeenBytes) {
    const unsigned char expected[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x67, 0x65, 0x74, 0x73, 0x74,
                                      0x61, 0x74, 0x75, 0x73, 0x20, 0x78, 0x78, 0x78};
    ASSERT_EQ(kStatusRequest.size(), sizeof expected);
    for (std::size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(static_cast<unsigned char>(kStatusRequest[i]), expected[i]) << i;
}

struct HeaderCase {
    const char* what;
    std::string datagram;
    bool accepted;
};

TEST(ParseStatusReply, AcceptsTheHeaderAnywhereInTheFirstSegmentOnly) {
    const HeaderCase cases[] = {
        {"plain", kHeader + "\n\\a\\1", true},
        {"bytes before and after", "junk" + kHeader + "tail\\a\\1", true},
        {"no backslash at all", kHeader, true},
        {"wrong letter case", "\xFF\xFF\xFF\xFFstatusresponse\n\\a\\1", false},
        {"three FF bytes", "\xFF\xFF\xFFstatusResponse\n\\a\\1", false},
        {"header after the first backslash", "\\" + kHeader + "\\a\\1", false},
        {"empty", "", false},
    };
    for (const HeaderCase& c : cases) {
        const StatusReply r = ParseStatusReply(c.datagram);
        EXPECT_EQ(r.headerPresent, c.accepted) << c.what;
        if (!c.accepted) {
            EXPECT_TRUE(r.pairs.empty()) << c.what;
        }
    }
}

TEST(ParseStatusReply, PairsSegmentsInOrder) {
    const StatusReply r = ParseStatusReply(kHeader + "\n\\a\\1\\version\\abc v1.0.1.0 xyz");
    EXPECT_EQ(r.pairs, (Pairs{{"a", "1"}, {"version", "abc v1.0.1.0 xyz"}}));
    EXPECT_EQ(r.serverVersion, "v1.0.1");
}

TEST(ParseStatusReply, KeepsEmptySegmentsAndTheWholeLastSegment) {
    const StatusReply r =
        ParseStatusReply(kHeader + "\n\\\\x\\y\\\\\\version\\JAmp: v1.0.0.0 win\n0 20 \"^1Kyle\"\n");
    EXPECT_EQ(r.pairs, (Pairs{{"", "x"}, {"y", ""}, {"", "version"},
                              {"JAmp: v1.0.0.0 win\n0 20 \"^1Kyle\"\n", ""}}));
    // "version" above is a value, not a name, so no version was seen.
    EXPECT_FALSE(r.serverVersion);

    const StatusReply last = ParseStatusReply(kHeader + "\\version\\JAmp: v1.0.0.0 x\n3 40 \"a\"");
    EXPECT_EQ(last.pairs.back().second, "JAmp: v1.0.0.0 x\n3 40 \"a\"");
    EXPECT_EQ(last.serverVersion, "v1.0.0");
}

TEST(ParseStatusReply, ListsALoneTrailingNameWithAnEmptyValue) {
    const StatusReply r = ParseStatusReply(kHeader + "\\a\\1\\lonely");
    EXPECT_EQ(r.pairs, (Pairs{{"a", "1"}, {"lonely", ""}}));
    const StatusReply slash = ParseStatusReply(kHeader + "\\a\\1\\");
    EXPECT_EQ(slash.pairs, (Pairs{{"a", "1"}, {"", ""}}));
}

TEST(ParseStatusReply, TheLastExactVersionPairDecides) {
    const StatusReply r = ParseStatusReply(
        kHeader + "\\version\\x v1.0.0\\Version\\x v9\\version\\x v1.0.1.0\\VERSION\\x v2");
    EXPECT_EQ(r.serverVersion, "v1.0.1");
    const StatusReply lone = ParseStatusReply(kHeader + "\\a\\b\\version");
    EXPECT_EQ(lone.serverVersion, "");
}

TEST(ParseStatusReply, KeepsBytesAboveSeventyFAndZeroBytes) {
    const std::string name("n\xE9\x00\xFF", 4);
    const StatusReply r = ParseStatusReply(kHeader + "\\" + name + "\\v");
    ASSERT_EQ(r.pairs.size(), 1u);
    EXPECT_EQ(r.pairs[0].first, name);
}

struct VersionCase {
    const char* value;
    const char* expected;
};

TEST(ServerVersionFromValue, TakesSixCharactersOfTheSecondWord) {
    const VersionCase cases[] = {
        {"abc v1.0.1.0 xyz", "v1.0.1"},
        {"JAmp: v1.0.0.0 win-x86 Oct 24 2003", "v1.0.0"},
        {"abc  v1.0.1", ""}, // two blanks: word 1 is empty
        {"abc v1", "v1"},
        {"abc V1.0.1.0", "V1.0.1"},
        {"noblank", ""},
        {"", ""},
        {"a v1.0.1\nmore", "v1.0.1"},
        {"a v1.0\n1.0", "v1.0\n1"}, // only blanks separate words
    };
    for (const VersionCase& c : cases)
        EXPECT_EQ(ServerVersionFromValue(c.value), c.expected) << c.value;
}

struct EffectiveCase {
    const char* what;
    std::string vars;
    std::optional<std::string> expected;
};

TEST(EffectiveServerVersion, FallsBackToTheProtocolOnlyForUnknownVersionTexts) {
    const EffectiveCase cases[] = {
        {"known text wins over protocol", "\\version\\JAmp: v1.0.0.0\\protocol\\26", "v1.0.0"},
        {"open engine, protocol 26", "\\version\\OpenJK-MP: 1.0.1 linux\\protocol\\26", "v1.0.1"},
        {"open engine, protocol 25", "\\protocol\\25\\version\\OpenJK-MP: 1.0.0", "v1.0.0"},
        {"unknown protocol keeps the text", "\\version\\ioq3 1.36+u2022\\protocol\\71",
         "1.36+u"},
        {"upper case stays different", "\\version\\x V1.0.1", "V1.0.1"},
        {"protocol alone", "\\protocol\\26", "v1.0.1"},
        {"neither", "\\a\\b", std::nullopt},
        {"last protocol decides", "\\protocol\\25\\version\\X: y\\protocol\\26", "v1.0.1"},
    };
    for (const EffectiveCase& c : cases)
        EXPECT_EQ(EffectiveServerVersion(ParseStatusReply(kHeader + c.vars)), c.expected)
            << c.what;
}

} // namespace
} // namespace quorin
