#include "browser/win32/settings_store_win32.h"

#include "common/win32/unique_handle.h"

namespace quorin::win32 {
namespace {

constexpr char kKey[] = "Software\\Quorin";

} // namespace

std::optional<StoredValue> RegistrySettingsStore::Read(const std::string& name) {
    UniqueHkey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value;
    value.text = type == REG_SZ || type == REG_EXPAND_SZ;
    if (!value.text)
        return value;
    if (size > kMaxStoredText + 1) {
        value.oversized = true;
        return value;
    }
    // The value may change between the two calls: the second reads no more
    // than the room there is, and a value grown past it counts as too long.
    std::string text(kMaxStoredText + 1, '\0');
    size = static_cast<DWORD>(text.size());
    const LONG read = ::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(text.data()), &size);
    if (read == ERROR_MORE_DATA) {
        value.oversized = true;
        return value;
    }
    if (read != ERROR_SUCCESS)
        return std::nullopt;
    value.text = type == REG_SZ || type == REG_EXPAND_SZ;
    text.resize(std::min<std::size_t>(size, text.find('\0')));
    value.data = value.text ? std::move(text) : std::string();
    return value;
}

bool RegistrySettingsStore::Write(const std::string& name, const std::string& text) {
    UniqueHkey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    return ::RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

} // namespace quorin::win32
