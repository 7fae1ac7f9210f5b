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

LONG Open64(const std::string& path, REGSAM access, win32::UniqueHkey& key) {
    return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | KEY_WOW64_64KEY,
                           key.Put());
}

void DeleteBoth() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        win32::UniqueHkey key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameBaseKey, 0, KEY_ALL_ACCESS | view,
                            key.Put()) == ERROR_SUCCESS)
            ::RegDeleteTreeA(key.Get(), nullptr);
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kGameBaseKey, view, 0);
    }
}

class Wow64View : public ::testing::Test {
  protected:
    void SetUp() override { DeleteBoth(); }
    void TearDown() override { DeleteBoth(); }
    win32::Win32Registry api_;
};

TEST_F(Wow64View, FindsTheInstallersKeyAndWritesMagicThere) {
    {
        // What the 32-bit installer leaves behind, written from the 64-bit side.
        win32::UniqueHkey key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kRedirected + "\\1.0").c_str(), 0,
                                    nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                    key.Put(), nullptr),
                  ERROR_SUCCESS);
        const char path[] = "C:\\Games\\Jedi Academy";
        ASSERT_EQ(::RegSetValueExA(key.Get(), kInstallPathValue, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(path), sizeof path),
                  ERROR_SUCCESS);
    }
    InstallRecord record(api_);
    ASSERT_TRUE(record.GameKeyExists());
    ASSERT_TRUE(record.LoadInstallInfo());
    EXPECT_EQ(record.InstallPath(), "C:\\Games\\Jedi Academy");
    ASSERT_TRUE(record.WriteMagic(kMagic101));

    win32::UniqueHkey key;
    ASSERT_EQ(Open64(kRedirected + "\\1.0", KEY_READ, key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD magic = 0;
    DWORD size = sizeof magic;
    ASSERT_EQ(::RegQueryValueExA(key.Get(), kMagicValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(&magic), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(magic, static_cast<DWORD>(kMagic101));

    // Nothing went to the 64-bit program's own view.
    win32::UniqueHkey native;
    EXPECT_NE(Open64(kGameBaseKey, KEY_READ, native), ERROR_SUCCESS);
}

TEST_F(Wow64View, AKeyOnlyIn64BitViewIsNotTheGames) {
    win32::UniqueHkey key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameBaseKey, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_FALSE(InstallRecord(api_).GameKeyExists());
}

} // namespace
} // namespace quorin
