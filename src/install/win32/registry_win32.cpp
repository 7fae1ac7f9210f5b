#include "install/win32/registry_win32.h"

#include <cstdlib>
#include <string>

#include "common/win32/wide_text.h"
#include "common/win32/win.h"

namespace quorin::win32 {

namespace {
HKEY H(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}
} // namespace

// The portable core's copies of the registry's numbers.
static_assert(sizeof(RegKey) == sizeof(HKEY));
static_assert(kKeyRead == KEY_READ && kKeyWrite == KEY_WRITE);
static_assert(kErrorSuccess == ERROR_SUCCESS && kErrorFileNotFound == ERROR_FILE_NOT_FOUND &&
              kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorMoreData == ERROR_MORE_DATA &&
              kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);
static_assert(kRegNone == REG_NONE && kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ &&
              kRegBinary == REG_BINARY && kRegDword == REG_DWORD &&
              kRegDwordBigEndian == REG_DWORD_BIG_ENDIAN && kRegLink == REG_LINK &&
              kRegMultiSz == REG_MULTI_SZ && kRegQword == REG_QWORD);

// QUORIN_REGISTRY_READ_ONLY=1 makes every key refuse writing, as Windows does
// for a player without administrator rights under HKEY_LOCAL_MACHINE; it can
// only take rights away, so that the tests can run Quorin as such a player.
static bool WritesRefused() {
    static const bool refused = [] {
        const char* set = std::getenv("QUORIN_REGISTRY_READ_ONLY");
        return set && std::string(set) == "1";
    }();
    return refused;
}

long Win32Registry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                            RegKey& key) {
    if ((access & KEY_WRITE & ~KEY_READ) && WritesRefused())
        return ERROR_ACCESS_DENIED;
    HKEY opened = nullptr;
    const LONG rc = ::RegOpenKeyExA(H(root), subKey.c_str(), 0, access | KEY_WOW64_32KEY, &opened);
    if (rc == ERROR_SUCCESS)
        key = reinterpret_cast<RegKey>(opened);
    return rc;
}

long Win32Registry::QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                               std::uint8_t* data, std::uint32_t& size) {
    DWORD t = 0;
    DWORD s = size;
    const LONG rc = ::RegQueryValueExA(H(key), name.c_str(), nullptr, &t, data, &s);
    type = t;
    size = s;
    return rc;
}

long Win32Registry::EnumValue(RegKey key, std::uint32_t index, char* name,
                              std::uint32_t& nameLength, std::uint32_t& type, std::uint8_t* data,
                              std::uint32_t& size) {
    DWORD n = nameLength;
    DWORD t = 0;
    DWORD s = size;
    const LONG rc = ::RegEnumValueA(H(key), index, name, &n, nullptr, &t, data, &s);
    nameLength = n;
    type = t;
    size = s;
    return rc;
}

long Win32Registry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
    // The tool writes only the version marker, which should be on the disk
    // before a switch touches any game file. A flush that fails does not
    // undo the write: the switch's journal holds the old value all the same.
    const long rc = ::RegSetValueExA(H(key), name.c_str(), 0, type, data, size);
    if (rc == ERROR_SUCCESS)
        ::RegFlushKey(H(key));
    return rc;
}

long Win32Registry::DeleteValue(RegKey key, const std::string& name) {
    const long rc = ::RegDeleteValueA(H(key), name.c_str());
    if (rc == ERROR_SUCCESS)
        ::RegFlushKey(H(key));
    return rc;
}

std::string Win32Registry::Utf8FromSystemText(const std::string& text) {
    return Utf8FromAnsi(text);
}

void Win32Registry::CloseKey(RegKey key) {
    ::RegCloseKey(H(key));
}

} // namespace quorin::win32
