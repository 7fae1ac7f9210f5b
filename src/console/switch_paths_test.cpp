#include "console/switch_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quorin {
namespace {

TEST(SwitchPaths, OnlyNamesInsideTheFolderAndFullInstallPathsPass) {
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
    const std::pair<std::string, const char*> paths[] = {
        {"C:\\Games\\JA", ""},
        {"C:\\Games\\JA\\", ""},
        {"\\\\server\\share\\JA", ""},
        {"", "has no \"Install Path\""},
        {"Games\\JA", "is not a full path"},
        {"\\Games\\JA", "is not a full path"},
        {"\\\\?\\C:\\JA", "is not a full path"},
        {"C:\\Games\\..\\Windows", "is not a plain folder path"},
        {"C:\\" + std::string(240, 'a'), "is too long"},
    };
    for (const auto& [path, told] : paths) {
        const std::string problem = InstallPathProblem(path);
        EXPECT_EQ(problem.empty(), !*told) << path;
        EXPECT_NE(problem.find(told), std::string::npos) << path << ": " << problem;
    }
}

} // namespace
} // namespace quorin
