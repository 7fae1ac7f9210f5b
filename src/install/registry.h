// General registry operations: read one value, test a key, list a key's
// values, write one value. No key stays open beyond one call.
#pragma once

#include <optional>
#include <string>

#include "common/keyed_collection.h"
#include "install/registry_api.h"
#include "install/registry_value.h"

namespace quorin {

struct RegistryEntry {
    std::string name;
    Value data;
    int kind; // KindCode of data; 0 for a value of a type without conversion
};

class Registry {
  public:
    explicit Registry(IRegistryApi& api) : api_(api) {}

    // The converted data, or `defaultValue` when the key or value cannot be
    // read. Throws RegistryError for a type without a conversion (the key is
    // closed by then).
    Value GetRegistryValue(RegKey root, const std::string& subKey, const std::string& valueName,
                           const Value& defaultValue = {}) const;

    bool RegistryKeyExists(RegKey root, const std::string& subKey) const;

    // One entry per value, in the registry's order, keyed by value name. An
    // empty sub-key enumerates the root itself.
    KeyedCollection<RegistryEntry> EnumRegistryValues(RegKey root, const std::string& subKey) const;

    // True when the value was stored. Throws RegistryError for a kind that
    // cannot be stored (the key is closed by then).
    bool SetRegistryValue(RegKey root, const std::string& subKey, const std::string& valueName,
                          const Value& value) const;

    // A value's type and bytes as stored, unconverted; empty when the key or
    // value cannot be read.
    std::optional<RegistryData> GetRawValue(RegKey root, const std::string& subKey,
                                            const std::string& valueName) const;
    bool SetRawValue(RegKey root, const std::string& subKey, const std::string& valueName,
                     const RegistryData& data) const;

    // True when the value is gone (or was never there).
    bool DeleteRegistryValue(RegKey root, const std::string& subKey,
                             const std::string& valueName) const;
    // The system's text of a value that names a folder, as UTF-8.
    std::string PathText(const std::string& text) const { return api_.Utf8FromSystemText(text); }

    static constexpr std::uint32_t kReadBufferSize = 1024;
    static constexpr std::uint32_t kEnumNameChars = 260;
    static constexpr std::uint32_t kEnumDataSize = 4096;

  private:
    IRegistryApi& api_;
};

} // namespace quorin
