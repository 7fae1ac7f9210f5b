#include "console/switch_paths.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace quorin {
namespace {

TEST(SwitchPaths, OnlyNamesThatStayInsideAFolderAreConfined) {
    const std::pair<const char*, bool> names[] = {
        {"jamp.exe", true},    {"base\\assets3.pk3", true},
        {"my file.txt", true}, {"", false},
        {"..", false},         {"a\\..\\b", false},
        {"\\a", false},        {"a\\", false},
        {"a\\\\b", false},     {"C:a", false},
        {"a:b", false},        {"a/b", false},
        {"con", false},        {"COM1.txt", false},
        {"a.", false},         {"a ", false},
        {"a\tb", false},
    };
    for (const auto& [name, ok] : names)
        EXPECT_EQ(IsConfinedName(name), ok) << name;
}

TEST(SwitchPaths, ANameInsideAFolderFollowsItsBackslash) {
    const std::pair<const char*, std::optional<std::string>> paths[] = {
        {"C:\\JA\\GameData", ""},
        {"c:\\ja\\gamedata\\base\\x.pk3", "base\\x.pk3"},
        {"C:\\JA\\GameDataXbase", std::nullopt},
        {"C:\\JA\\GameData\\..\\x", std::nullopt},
        {"C:\\JA\\Game", std::nullopt},
    };
    for (const auto& [path, name] : paths)
        EXPECT_EQ(NameInside("C:\\JA\\GameData", path), name) << path;
}

TEST(SwitchPaths, OnlyNumbersAreTheNamesOfFilesSetAside) {
    const std::pair<const char*, bool> names[] = {
        {"0", true}, {"123456789", true}, {"1234567890", false},
        {"", false}, {"1a", false},       {"journal.txt", false},
    };
    for (const auto& [name, aside] : names)
        EXPECT_EQ(IsAsideName(name), aside) << name;
}

TEST(SwitchPaths, OnlyFullFolderPathsOfAllowedLengthAreInstallPaths) {
    const std::pair<std::string, const char*> paths[] = {
        {"C:\\Games\\JA", ""},
        {"C:\\Games\\JA\\", ""},
        {"A:\\", ""},
        {"Z:\\JA", ""},
        {"a:\\JA", ""},
        {"z:\\JA", ""},
        {"@:\\JA", "is not a full path"},
        {"[:\\JA", "is not a full path"},
        {"C:", "is not a full path"},
        {"\\\\server\\share\\JA", ""},
        {"\\\\server", "names no shared folder"},
        {"\\\\\\share\\JA", "names no shared folder"},
        {"\\\\server\\\\JA", "is not a plain folder path"},
        {"", "has no \"Install Path\""},
        {"Games\\JA", "is not a full path"},
        {"\\Games\\JA", "is not a full path"},
        {"\\\\?\\C:\\JA", "is not a full path"},
        {"C:\\Games\\..\\Windows", "is not a plain folder path"},
        {"C:\\" + std::string(221, 'a'), ""}, // the journal's path 259 long
        {"C:\\" + std::string(222, 'a'), "is too long"},
    };
    for (const auto& [path, told] : paths) {
        const std::string problem = InstallPathProblem(path);
        EXPECT_EQ(problem.empty(), !*told) << path;
        EXPECT_NE(problem.find(told), std::string::npos) << path << ": " << problem;
    }
}

} // namespace
} // namespace quorin
