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

// A key of the 64-bit view, created when asked; empty when it cannot be had.
win32::UniqueHkey Key64(const std::string& path, bool create = false) {
    win32::UniqueHkey key;
    const REGSAM access = KEY_ALL_ACCESS | KEY_WOW64_64KEY;
    if (create)
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr,
                          key.Put(), nullptr);
    else
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key.Put());
    return key;
}

class Wow64View : public ::testing::Test {
  protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        for (const std::string& path : {kRedirected, std::string(kGameBaseKey)}) {
            if (auto key = Key64(path))
                ::RegDeleteTreeA(key.Get(), nullptr);
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
        }
    }
};

TEST_F(Wow64View, FindsTheInstallersKeyAndWritesMagicThere) {
    // What the 32-bit installer leaves behind, written from the 64-bit side.
    const char path[] = "C:\\Games\\Jedi Academy";
    ASSERT_EQ(::RegSetValueExA(Key64(kRedirected + "\\1.0", true).Get(), kInstallPathValue, 0,
                               REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path),
              ERROR_SUCCESS);
    win32::Win32Registry api;
    InstallRecord record(api);
    ASSERT_TRUE(record.GameKeyExists());
    record.LoadInstallInfo();
    EXPECT_EQ(record.InstallPath(), path);
    ASSERT_TRUE(record.WriteMagic(kMagic101));
    DWORD type = 0, magic = 0, size = sizeof magic;
    ASSERT_EQ(::RegQueryValueExA(Key64(kRedirected + "\\1.0").Get(), kMagicValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&magic), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::pair(type, magic), std::pair(DWORD{REG_DWORD}, DWORD{kMagic101}));
    EXPECT_FALSE(Key64(kGameBaseKey)); // nothing went to the 64-bit program's own view

    // And a key only in the 64-bit view is not the game's.
    TearDown();
    ASSERT_TRUE(Key64(kGameBaseKey, true));
    EXPECT_FALSE(record.GameKeyExists());
}

} // namespace
} // namespace quorin
