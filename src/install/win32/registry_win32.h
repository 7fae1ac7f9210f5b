// The registry calls answered by advapi32, always in the 32-bit view, where
// the game's 32-bit installer keeps its key.
#pragma once

#include "install/registry_api.h"

namespace quorin::win32 {

class Win32Registry : public IRegistryApi {
  public:
    long OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                 RegKey& key) override;
    long QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameLength,
                   std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long DeleteValue(RegKey key, const std::string& name) override;
    void CloseKey(RegKey key) override;
    std::string Utf8FromSystemText(const std::string& text) override;
};

} // namespace quorin::win32
