#include "install/registry.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace quorin {

namespace {

// Owns a key opened through the interface; closes it on every path out.
class OpenKey {
  public:
    OpenKey(IRegistryApi& api, RegKey root, const std::string& subKey, std::uint32_t access)
        : api_(api) {
        opened_ = api_.OpenKey(root, subKey, access, key_) == kErrorSuccess;
    }
    ~OpenKey() {
        if (opened_)
            api_.CloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool IsOpen() const { return opened_; }
    RegKey Get() const { return key_; }

  private:
    IRegistryApi& api_;
    RegKey key_ = 0;
    bool opened_ = false;
};

std::span<const std::uint8_t> Filled(const std::vector<std::uint8_t>& buffer, std::uint32_t size) {
    return {buffer.data(), std::min<std::size_t>(size, buffer.size())};
}

} // namespace

std::optional<RegistryData> Registry::GetRawValue(RegKey root, const std::string& subKey,
                                                  const std::string& valueName) const {
    OpenKey key(api_, root, subKey, kKeyRead);
    if (!key.IsOpen())
        return std::nullopt;
    std::vector<std::uint8_t> buffer(kReadBufferSize);
    std::uint32_t type = 0;
    std::uint32_t size = kReadBufferSize;
    long rc = api_.QueryValue(key.Get(), valueName, type, buffer.data(), size);
    if (rc == kErrorMoreData) {
        buffer.assign(size, 0);
        rc = api_.QueryValue(key.Get(), valueName, type, buffer.data(), size);
    }
    if (rc != kErrorSuccess)
        return std::nullopt;
    const auto filled = Filled(buffer, size);
    return RegistryData{type, ByteArray(filled.begin(), filled.end())};
}

Value Registry::GetRegistryValue(RegKey root, const std::string& subKey,
                                 const std::string& valueName, const Value& defaultValue) const {
    const std::optional<RegistryData> raw = GetRawValue(root, subKey, valueName);
    if (!raw)
        return defaultValue;
    return FromRegistryData(raw->type, raw->bytes);
}

bool Registry::RegistryKeyExists(RegKey root, const std::string& subKey) const {
    return OpenKey(api_, root, subKey, kKeyRead).IsOpen();
}

KeyedCollection<RegistryEntry> Registry::EnumRegistryValues(RegKey root,
                                                            const std::string& subKey) const {
    KeyedCollection<RegistryEntry> entries;
    std::optional<OpenKey> opened;
    RegKey key = root; // an empty sub-key lists the root, which is never closed
    if (!subKey.empty()) {
        opened.emplace(api_, root, subKey, kKeyRead);
        if (!opened->IsOpen())
            return entries;
        key = opened->Get();
    }

    for (std::uint32_t index = 0;; ++index) {
        std::vector<char> name(kEnumNameChars);
        std::vector<std::uint8_t> data(kEnumDataSize);
        std::uint32_t nameLength = kEnumNameChars;
        std::uint32_t type = 0;
        std::uint32_t size = kEnumDataSize;
        long rc = api_.EnumValue(key, index, name.data(), nameLength, type, data.data(), size);
        if (rc == kErrorMoreData) {
            data.assign(size, 0);
            // The first call may have shrunk the name length to the name
            // itself; the retry offers the whole name buffer again, or a
            // large value would end the list and hide every value after it.
            nameLength = kEnumNameChars;
            rc = api_.EnumValue(key, index, name.data(), nameLength, type, data.data(), size);
        }
        if (rc != kErrorSuccess)
            break;

        RegistryEntry entry{std::string(name.data(), std::min(nameLength, kEnumNameChars)), {}, 0};
        try {
            entry.data = FromRegistryData(type, Filled(data, size));
            entry.kind = KindCode(entry.data);
        } catch (const RegistryError&) {
            // Listed by name, with no data: one odd value must not hide the rest.
        }
        std::string keyName = entry.name;
        entries.Add(std::make_shared<RegistryEntry>(std::move(entry)), std::move(keyName));
    }
    return entries;
}

bool Registry::SetRegistryValue(RegKey root, const std::string& subKey,
                                const std::string& valueName, const Value& value) const {
    // A key that cannot be opened is false before the value's kind is looked at.
    if (!OpenKey(api_, root, subKey, kKeyWrite).IsOpen())
        return false;
    return SetRawValue(root, subKey, valueName, ToRegistryData(value)); // may throw
}

bool Registry::SetRawValue(RegKey root, const std::string& subKey, const std::string& valueName,
                           const RegistryData& data) const {
    OpenKey key(api_, root, subKey, kKeyWrite);
    if (!key.IsOpen())
        return false;
    return api_.SetValue(key.Get(), valueName, data.type, data.bytes.data(),
                         static_cast<std::uint32_t>(data.bytes.size())) == kErrorSuccess;
}

bool Registry::DeleteRegistryValue(RegKey root, const std::string& subKey,
                                   const std::string& valueName) const {
    OpenKey key(api_, root, subKey, kKeyWrite);
    if (!key.IsOpen())
        return false;
    const long rc = api_.DeleteValue(key.Get(), valueName);
    return rc == kErrorSuccess || rc == kErrorFileNotFound;
}

} // namespace quorin
