// The list's settings kept in memory, for tests of what reads and writes them.
#pragma once

#include <map>

#include "browser/list_settings.h"

namespace quorin::test {

class MemorySettingsStore : public ISettingsStore {
  public:
    std::optional<StoredValue> Read(const std::string& name) override {
        const auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    }
    bool Write(const std::string& name, const std::string& text) override {
        values[name] = {true, text};
        return true;
    }
    std::map<std::string, StoredValue> values;
};

} // namespace quorin::test
