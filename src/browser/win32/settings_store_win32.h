// The list's settings in the registry, under HKEY_CURRENT_USER\Software\Quorin:
// the current user's own key, which needs no rights. Values are read as
// ANSI text; a value that is not REG_SZ or REG_EXPAND_SZ reads as the wrong
// type, and one over the longest length is not read at all.
#pragma once

#include "browser/list_settings.h"

namespace quorin::win32 {

class RegistrySettingsStore : public ISettingsStore {
  public:
    std::optional<StoredValue> Read(const std::string& name) override;
    bool Write(const std::string& name, const std::string& text) override;
};

} // namespace quorin::win32
