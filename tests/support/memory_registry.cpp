#include "tests/support/memory_registry.h"

#include <cstring>

#include "common/keyed_collection.h"

namespace quorin::test {

namespace {
constexpr long kErrorInvalidHandle = 6;

// Copies what fits, or reports the size needed, as RegQueryValueExA does.
long Give(const RegistryData& stored, std::uint32_t& type, std::uint8_t* data,
          std::uint32_t& size) {
    const auto needed = static_cast<std::uint32_t>(stored.bytes.size());
    type = stored.type;
    const bool fits = size >= needed;
    if (fits && needed)
        std::memcpy(data, stored.bytes.data(), needed);
    size = needed;
    return fits ? kErrorSuccess : kErrorMoreData;
}
} // namespace

std::string MemoryRegistry::Folded(const std::string& path) {
    std::string folded;
    for (char c : path)
        if (c != '\\' || (!folded.empty() && folded.back() != '\\'))
            folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (!folded.empty() && folded.back() == '\\')
        folded.pop_back();
    return folded;
}

MemoryRegistry::Key* MemoryRegistry::Open(RegKey key) {
    const auto path = key == kHkeyLocalMachine ? std::optional<std::string>("")
                      : open_.contains(key)    ? std::optional(open_[key])
                                               : std::nullopt;
    const auto it = path ? keys_.find(*path) : keys_.end();
    return it == keys_.end() ? nullptr : &it->second;
}

std::pair<std::string, RegistryData>* MemoryRegistry::Find(Key& key, const std::string& name) {
    for (auto& value : key.values)
        if (EqualsNoCase(value.first, name))
            return &value;
    return nullptr;
}

void MemoryRegistry::Store(Key& key, const std::string& name, RegistryData data) {
    if (auto* value = Find(key, name))
        value->second = std::move(data);
    else
        key.values.emplace_back(name, std::move(data));
}

long MemoryRegistry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                             RegKey& key) {
    if (!Open(root))
        return kErrorInvalidHandle;
    const std::string base = root == kHkeyLocalMachine ? "" : open_[root];
    const std::string path = Folded(base + "\\" + subKey);
    const auto it = keys_.find(path);
    if (it == keys_.end())
        return kErrorFileNotFound;
    if ((access & kKeyWrite & ~kKeyRead) && it->second.readOnly)
        return kErrorAccessDenied;
    key = nextHandle_++;
    open_[key] = path;
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                                std::uint8_t* data, std::uint32_t& size) {
    Key* k = Open(key);
    if (!k)
        return kErrorInvalidHandle;
    const auto* value = Find(*k, name);
    return value ? Give(value->second, type, data, size) : kErrorFileNotFound;
}

long MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                               std::uint32_t& nameLength, std::uint32_t& type, std::uint8_t* data,
                               std::uint32_t& size) {
    Key* k = Open(key);
    if (!k)
        return kErrorInvalidHandle;
    if (index >= k->values.size())
        return kErrorNoMoreItems;
    const auto& [valueName, stored] = k->values[index];
    if (valueName.size() >= nameLength)
        return kErrorMoreData;
    // The name is written, and its length reported, even when the data does
    // not fit: a retry with that length alone no longer has room for it.
    std::memcpy(name, valueName.c_str(), valueName.size() + 1);
    nameLength = static_cast<std::uint32_t>(valueName.size());
    return Give(stored, type, data, size);
}

long MemoryRegistry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    Key* k = Open(key);
    if (!k)
        return kErrorInvalidHandle;
    if (k->readOnly)
        return kErrorAccessDenied;
    Store(*k, name, {type, ByteArray(data, data + size)});
    return kErrorSuccess;
}

void MemoryRegistry::CreateKey(const std::string& path) {
    const std::string folded = Folded(path);
    for (std::size_t at = folded.find('\\'); at != std::string::npos; at = folded.find('\\', at + 1))
        keys_[folded.substr(0, at)];
    keys_[folded];
}

void MemoryRegistry::PutRaw(const std::string& path, const std::string& name,
                            std::uint32_t type, const ByteArray& bytes) {
    CreateKey(path);
    Store(keys_[Folded(path)], name, {type, bytes});
}

std::optional<RegistryData> MemoryRegistry::GetRaw(const std::string& path,
                                                   const std::string& name) {
    const auto it = keys_.find(Folded(path));
    const auto* value = it == keys_.end() ? nullptr : Find(it->second, name);
    return value ? std::optional(value->second) : std::nullopt;
}

void MemoryRegistry::DeleteKeyTree(const std::string& path) {
    const std::string folded = Folded(path);
    std::erase_if(keys_, [&](const auto& entry) {
        return !folded.empty() && (entry.first == folded || entry.first.starts_with(folded + "\\"));
    });
}

bool MemoryRegistry::MakeReadOnly(const std::string& path) {
    if (const auto it = keys_.find(Folded(path)); it != keys_.end())
        it->second.readOnly = true;
    return true;
}

std::unique_ptr<RegistryBackend> MakeRegistryBackend() { return std::make_unique<MemoryRegistry>(); }

} // namespace quorin::test
