// Folders in memory that answer as the Windows file system does, but keep
// names exactly as written, so that a folder can hold case twins as one
// with case-sensitive folders can; a link is listed and never entered.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>

#include "common/keyed_collection.h"
#include "install/patch_store.h"

namespace quorin::test {

// Thrown by a hook to stop a run where it is, as a kill would.
struct Killed {};

class MemoryStore : public IStoreFiles {
  public:
    struct Node {
        FileState state;
        std::string content;
        bool operator==(const Node&) const = default;
    };
    std::map<std::string, Node> nodes;           // exact path
    std::set<std::string> held;                  // folded paths another program holds
    std::map<std::string, std::string> versions; // folded path: its file version
    // Runs before each copy ("copy") and rename ("rename"), with the destination.
    std::function<void(const std::string&, const std::string&)> before;
    std::uint64_t clock = 1'000'000'000;

    void Folder(const std::string& path) { nodes[path] = {{true, true}, {}}; }
    void File(const std::string& path, const std::string& content) {
        for (std::size_t at = path.find('\\', 3); at != std::string::npos;
             at = path.find('\\', at + 1))
            if (!Find(path.substr(0, at)))
                Folder(path.substr(0, at));
        nodes[path] = {{true, false, false, false, content.size(), clock += 10'000'000}, content};
    }
    void Link(const std::string& path) { nodes[path] = {{true, true, false, true}, {}}; }
    // Every file below `folder`, by name relative to it, with its content.
    std::map<std::string, std::string> Files(const std::string& folder) const {
        std::map<std::string, std::string> out;
        for (const auto& [path, node] : nodes)
            if (!node.state.folder && FoldCase(path).starts_with(FoldCase(folder) + "\\"))
                out[path.substr(folder.size() + 1)] = node.content;
        return out;
    }

    Node* Find(const std::string& path) {
        if (const auto it = nodes.find(path); it != nodes.end())
            return &it->second;
        for (auto& [key, node] : nodes)
            if (EqualsNoCase(key, path))
                return &node;
        return nullptr;
    }
    std::string KeyOf(const std::string& path) {
        for (const auto& [key, node] : nodes)
            if (EqualsNoCase(key, path))
                return key;
        return {};
    }

    FileState Stat(const std::string& path) override {
        const Node* node = Find(path);
        return node ? node->state : FileState{};
    }
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override {
        const FileState state = Stat(folder);
        if (!state.folder || state.link)
            return std::nullopt;
        std::vector<FileEntry> out;
        const std::string prefix = FoldCase(folder) + "\\";
        for (const auto& [path, node] : nodes) {
            if (!FoldCase(path).starts_with(prefix))
                continue;
            const std::string name = path.substr(prefix.size());
            if (std::none_of(out.begin(), out.end(), [&](const FileEntry& e) {
                    return e.state.link && FoldCase(name).starts_with(FoldCase(e.path) + "\\");
                }))
                out.push_back({name, node.state});
        }
        return out;
    }
    bool Held(const std::string& path) override { return held.contains(FoldCase(path)); }
    std::optional<std::string> FileVersion(const std::string& path) override {
        const auto it = versions.find(FoldCase(path));
        return it == versions.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::uint64_t> Checksum(const std::string& path,
                                          const std::function<bool()>& going) override {
        const Node* node = Find(path);
        if (!node || node->state.folder || Held(path) || (going && !going()))
            return std::nullopt;
        ContentHash hash;
        hash.Add(node->content.data(), node->content.size());
        return hash.Value();
    }
    FileResult CopyInto(const std::string& from, const std::string& to,
                        const std::function<bool(std::uint64_t)>& going) override {
        if (before)
            before("copy", to);
        const Node* node = Find(from);
        if (!node || node->state.folder)
            return kFileNotFound;
        if (Held(from))
            return kFileInUse;
        if (Find(to))
            return kFileExists;
        if (going && !going(node->content.size()))
            return {FileError::Other, 1223}; // cancelled
        const Node copy = *node;
        File(to, copy.content);
        return kFileOk;
    }
    FileResult MakeFolder(const std::string& path) override {
        if (Find(path))
            return kFileExists;
        Folder(path);
        return kFileOk;
    }
    FileResult Rename(const std::string& from, const std::string& to) override {
        if (before)
            before("rename", to);
        const std::string key = KeyOf(from);
        if (key.empty())
            return kFileNotFound;
        if (Find(to))
            return kFileExists;
        std::map<std::string, Node> moved;
        for (auto n = nodes.begin(); n != nodes.end();)
            if (n->first == key || n->first.starts_with(key + "\\")) {
                if (held.contains(FoldCase(n->first)))
                    return kFileInUse;
                moved[to + n->first.substr(key.size())] = n->second;
                n = nodes.erase(n);
            } else {
                ++n;
            }
        nodes.merge(moved);
        return kFileOk;
    }
    FileResult RemoveFile(const std::string& path) override {
        const std::string key = KeyOf(path);
        if (key.empty())
            return kFileNotFound;
        if (nodes[key].state.folder && !nodes[key].state.link)
            return kFileAccessDenied;
        if (Held(path))
            return kFileInUse;
        nodes.erase(key);
        return kFileOk;
    }
    FileResult RemoveFolder(const std::string& path) override {
        const std::string key = KeyOf(path);
        if (key.empty() || !nodes[key].state.folder)
            return kFileNotFound;
        if (List(path).value_or(std::vector<FileEntry>{}).size())
            return kFileNotEmpty;
        nodes.erase(key);
        return kFileOk;
    }
    std::optional<std::string> ReadText(const std::string& path, std::size_t limit) override {
        const Node* node = Find(path);
        if (!node || node->state.folder || Held(path))
            return std::nullopt;
        return node->content.substr(0, limit + 1);
    }
    FileResult WriteText(const std::string& path, const std::string& text) override {
        if (Find(path))
            return kFileExists;
        File(path, text);
        return kFileOk;
    }
};

} // namespace quorin::test
