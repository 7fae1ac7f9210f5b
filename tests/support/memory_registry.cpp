#include "tests/support/memory_registry.h"

#include <cstring>

#include "common/keyed_collection.h"

namespace quorin::test {

namespace {

std::string Fold(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(Fold(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(Fold(part));
    return parts;
}

} // namespace

MemoryRegistry::MemoryRegistry() { open_[kHkeyLocalMachine] = &root_; }

MemoryRegistry::Node* MemoryRegistry::Find(const Node& from, const std::string& path) const {
    const Node* node = &from;
    for (const std::string& part : Components(path)) {
        auto it = node->children.find(part);
        if (it == node->children.end())
            return nullptr;
        node = it->second.get();
    }
    return const_cast<Node*>(node);
}

MemoryRegistry::Node* MemoryRegistry::NodeOf(RegKey key) const {
    auto it = open_.find(key);
    return it == open_.end() ? nullptr : it->second;
}

MemoryRegistry::StoredValue* MemoryRegistry::FindValue(Node& node,
                                                       const std::string& name) const {
    for (StoredValue& v : node.values)
        if (EqualsNoCase(v.name, name))
            return &v;
    return nullptr;
}

long MemoryRegistry::OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                             RegKey& key) {
    Node* base = NodeOf(root);
    if (!base)
        return 6; // ERROR_INVALID_HANDLE
    Node* node = Find(*base, subKey);
    if (!node)
        return kErrorFileNotFound;
    if ((access & kKeyWrite & ~kKeyRead) && node->readOnly)
        return kErrorAccessDenied;
    key = nextHandle_++;
    open_[key] = node;
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                                std::uint8_t* data, std::uint32_t& size) {
    Node* node = NodeOf(key);
    if (!node)
        return 6;
    StoredValue* v = FindValue(*node, name);
    if (!v)
        return kErrorFileNotFound;
    const auto needed = static_cast<std::uint32_t>(v->data.bytes.size());
    type = v->data.type;
    if (size < needed) {
        size = needed;
        return kErrorMoreData;
    }
    if (needed)
        std::memcpy(data, v->data.bytes.data(), needed);
    size = needed;
    return kErrorSuccess;
}

long MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                               std::uint32_t& nameLength, std::uint32_t& type, std::uint8_t* data,
                               std::uint32_t& size) {
    Node* node = NodeOf(key);
    if (!node)
        return 6;
    if (index >= node->values.size())
        return kErrorNoMoreItems;
    const StoredValue& v = node->values[index];
    if (v.name.size() >= nameLength)
        return kErrorMoreData;
    // The name is written, and its length reported, even when the data does
    // not fit: a retry with that length alone no longer has room for it.
    std::memcpy(name, v.name.c_str(), v.name.size() + 1);
    nameLength = static_cast<std::uint32_t>(v.name.size());
    type = v.data.type;
    const auto needed = static_cast<std::uint32_t>(v.data.bytes.size());
    if (size < needed) {
        size = needed;
        return kErrorMoreData;
    }
    if (needed)
        std::memcpy(data, v.data.bytes.data(), needed);
    size = needed;
    return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    Node* node = NodeOf(key);
    if (!node)
        return 6;
    if (node->readOnly)
        return kErrorAccessDenied;
    RegistryData stored{type, ByteArray(data, data + size)};
    if (StoredValue* v = FindValue(*node, name))
        v->data = std::move(stored);
    else
        node->values.push_back({name, std::move(stored)});
    return kErrorSuccess;
}

void MemoryRegistry::CloseKey(RegKey key) {
    if (key != kHkeyLocalMachine)
        open_.erase(key);
}

void MemoryRegistry::CreateKey(const std::string& path) {
    Node* node = &root_;
    for (const std::string& part : Components(path)) {
        auto& child = node->children[part];
        if (!child)
            child = std::make_unique<Node>();
        node = child.get();
    }
}

void MemoryRegistry::PutRaw(const std::string& path, const std::string& name,
                            std::uint32_t type, const ByteArray& bytes) {
    CreateKey(path);
    Node* node = Find(root_, path);
    if (StoredValue* v = FindValue(*node, name))
        v->data = {type, bytes};
    else
        node->values.push_back({name, {type, bytes}});
}

std::optional<RegistryData> MemoryRegistry::GetRaw(const std::string& path,
                                                   const std::string& name) const {
    Node* node = Find(root_, path);
    if (!node)
        return std::nullopt;
    if (StoredValue* v = FindValue(*node, name))
        return v->data;
    return std::nullopt;
}

bool MemoryRegistry::KeyExists(const std::string& path) const { return Find(root_, path); }

void MemoryRegistry::DeleteKeyTree(const std::string& path) {
    std::vector<std::string> parts = Components(path);
    if (parts.empty())
        return;
    const std::string last = parts.back();
    parts.pop_back();
    Node* parent = &root_;
    for (const std::string& part : parts) {
        auto it = parent->children.find(part);
        if (it == parent->children.end())
            return;
        parent = it->second.get();
    }
    parent->children.erase(last);
}

void MemoryRegistry::MakeReadOnly(const std::string& path) {
    if (Node* node = Find(root_, path))
        node->readOnly = true;
}

} // namespace quorin::test
