// The 64-bit program reads and writes the game's key where the game's 32-bit
// installer put it: below Wow6432Node, as seen from the 64-bit view.
#include <gtest/gtest.h>

#include "common/win32/unique_handle.h"
#include "install/install_record.h"
#include "install/win32/registry_win32.h"

namespace quorin {
namespace {

const std::string kRedirected =
    "SOFTWARE\\Wow6432Node\\LucasArts\\Star Wars Jedi Knight Jedi Academy";

// A key of the 64-bit view, created when missing.
win32::UniqueHkey Key64(const std::string& path) {
    win32::UniqueHkey key;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.Put(), nullptr);
    return key;
}
void Delete64(const std::string& path) {
    ::RegDeleteTreeA(Key64(path).Get(), nullptr);
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
}

TEST(Wow64View, FindsTheInstallersKeyAndWritesMagicThere) {
    // What the 32-bit installer leaves behind, written from the 64-bit side.
    const char path[] = "C:\\Games\\Jedi Academy";
    ASSERT_EQ(::RegSetValueExA(Key64(kRedirected + "\\1.0").Get(), kInstallPathValue, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(path), sizeof path),
              ERROR_SUCCESS);
    win32::Win32Registry api;
    InstallRecord record(api);
    ASSERT_TRUE(record.GameKeyExists() && record.LoadInstallInfo());
    EXPECT_EQ(record.InstallPath(), path);
    ASSERT_TRUE(record.WriteMagic(kMagic101));
    DWORD type = 0, magic = 0, size = sizeof magic;
    EXPECT_EQ(::RegQueryValueExA(Key64(kRedirected + "\\1.0").Get(), kMagicValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&magic), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::pair(type, magic), std::pair(DWORD{REG_DWORD}, DWORD{kMagic101}));

    // And a key only in the 64-bit view is not the game's.
    Delete64(kRedirected);
    Key64(kGameBaseKey);
    EXPECT_FALSE(record.GameKeyExists());
    Delete64(kGameBaseKey);
}

} // namespace
} // namespace quorin
