// The registry calls that the registry operations stand on. The Windows
// build answers them with advapi32; native tests with an in-memory store that
// answers as the registry does.
#pragma once

#include <cstdint>
#include <string>

namespace quorin {

// A key handle as the registry hands it out; the predefined roots are the
// sign-extended 32-bit values that Windows uses for them.
using RegKey = std::intptr_t;

inline constexpr RegKey kHkeyLocalMachine =
    static_cast<RegKey>(static_cast<std::int32_t>(0x80000002u));

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;

inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;

// Registry types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

class IRegistryApi {
  public:
    virtual ~IRegistryApi() = default;
    // RegOpenKeyExA: 0 and a key, or an error code.
    virtual long OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                         RegKey& key) = 0;
    // RegQueryValueExA: on 234 `size` holds the size needed.
    virtual long QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                            std::uint8_t* data, std::uint32_t& size) = 0;
    // RegEnumValueA: `nameLength` goes in as the name buffer's size in
    // characters and comes back as the name's length.
    virtual long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                           std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) = 0;
    virtual long SetValue(RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
    // RegDeleteValueA.
    virtual long DeleteValue(RegKey key, const std::string& name) = 0;
    virtual void CloseKey(RegKey key) = 0;
    // A value's text, in the system's ANSI code page as the registry gives
    // it, as UTF-8: for a value that names a folder, so that the path
    // reaches the file system spelt as the system spells it.
    virtual std::string Utf8FromSystemText(const std::string& text) { return text; }
};

} // namespace quorin
