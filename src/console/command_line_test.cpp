#include "console/command_line.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(ReadCommandLine, TakesTheWordAfterConnectWhereverItStands) {
    const struct {
        const char* commandLine;
        bool needsDialog;
        const char *ip, *portText;
        std::optional<std::uint16_t> port;
    } cases[] = {
        {"", true, "", "", std::nullopt},
        {"abcd", true, "", "", std::nullopt},
        {"+connect", true, "", "", std::nullopt}, // one word
        {"x y:1", true, "", "", std::nullopt},    // no +connect: no address
        {"+set fs_game japlus", true, "", "", std::nullopt},
        {"+connect 192.168.1.20:5000", false, "192.168.1.20", "5000", 5000},
        {"+set fs_game japlus +connect 1.2.3.4:29070", false, "1.2.3.4", "29070", 29070},
        {"+connect 1.2.3.4:29070 +set fs_game japlus", false, "1.2.3.4", "29070", 29070},
        {"+CONNECT h:1", false, "h", "1", 1},              // the game's commands ignore letter case
        {"+connect a:1 +connect b:2", false, "b", "2", 2}, // the last one is where the game goes
        {"+set n \"x +connect y:1\" +connect h:2", false, "h", "2", 2}, // quoted: one word
        {"+set n \"x +connect y:1\"", true, "", "", std::nullopt},
        {"+connect gameserver:5000 extra words", false, "gameserver", "5000", 5000},
        {"+connect a:b:c", false, "a", "b", std::nullopt},
        {"+connect host:29071:7", false, "host", "29071", 29071},
        {"+connect 10.0.0.5", false, "10.0.0.5", "29070", 29070}, // the game's default port
        {"+connect \t 10.0.0.5:5000 ", false, "10.0.0.5", "5000", 5000},
        {"+connect :5000", false, "", "5000", 5000},
        {"+connect h:65535", false, "h", "65535", 65535},
        {"+connect h:0", false, "h", "0", std::nullopt},
        {"+connect h:65536", false, "h", "65536", std::nullopt},
        {"+connect h:000080", false, "h", "000080", std::nullopt}, // five digits at most
        {"+connect h:", false, "h", "", std::nullopt},
        {"+connect \"10.0.0.5:5000\" x", false, "10.0.0.5", "5000", 5000}, // quoted
        {"+connect [::1]:29071", false, "[::1]:29071", "29070", 29070},    // IPv6, kept whole
        {"+connect ::1", false, "::1", "29070", 29070},
    };
    for (const auto& c : cases) {
        const CommandLineAddress a = ReadCommandLine(c.commandLine);
        EXPECT_EQ(std::tuple(a.needsDialog, a.serverIP, a.serverPort, a.port),
                  std::tuple(c.needsDialog, c.ip, c.portText, c.port))
            << c.commandLine;
    }
}

TEST(WithAddress, ReplacesOnlyTheAddressWordAndKeepsEveryOther) {
    const std::pair<const char*, const char*> cases[] = {
        {"+connect 10.0.0.5:70000 +set fs_game japlus", "+connect h:1 +set fs_game japlus"},
        {"+set fs_game japlus +connect bad", "+set fs_game japlus +connect h:1"},
        {"+set  fs_game \"ja plus\"  +connect  bad  +x",
         "+set  fs_game \"ja plus\"  +connect  h:1  +x"},
        {"+connect \"bad\" +set a b", "+connect h:1 +set a b"},
        {"+set fs_game japlus", "+set fs_game japlus +connect h:1"},
        {"+set fs_game japlus +connect ", "+set fs_game japlus +connect h:1"},
        {"+connect", "+connect h:1"},
        {"", "+connect h:1"},
        {"  ", "+connect h:1"},
    };
    for (const auto& [line, seen] : cases)
        EXPECT_EQ(WithAddress(line, "h:1"), seen) << line;
}

TEST(SplitAddress, TakesThePortOutOfAPastedAddress) {
    const struct {
        const char *typed, *host, *port;
    } cases[] = {
        {"127.0.0.1:29070", "127.0.0.1", "29070"},
        {" \"host.example: 5000 \" ", "host.example", "5000"},
        {"10.0.0.5", "10.0.0.5", "kept"},
        {"::1", "::1", "kept"},     // IPv6: left for the box to name
        {":5000", ":5000", "kept"}, // no host before it
        {"h:", "h", ""},
    };
    for (const auto& c : cases) {
        std::string host = c.typed, port = "kept";
        SplitAddress(host, port);
        EXPECT_EQ(host + "|" + port, std::string(c.host) + "|" + c.port) << c.typed;
    }
}

TEST(ArgumentText, DropsTheProgramNameQuotedOrNotAndTheBlanksAfterIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"quorin.exe +connect h:1", "+connect h:1"},
        {"\"C:\\My Games\\quorin.exe\" \t +connect h:1 ", "+connect h:1 "},
        {"\"C:\\a b\"x\ty", "y"}, // the name goes on to the next blank
        {"\"unclosed quote +connect", ""},
        {"\"a\" c", "c"}, // one blank after the closing quote
        {"\"\"x y", "y"}, // an empty quoted name
        {"quorin.exe", ""},
        {"a\t \tb  c", "b  c"},
        {"", ""},
    };
    for (const auto& [line, arguments] : cases)
        EXPECT_EQ(ArgumentText(line), arguments) << line;
}

} // namespace
} // namespace quorin
