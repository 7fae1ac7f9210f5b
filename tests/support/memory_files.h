// A game folder in memory that answers as the Windows file system does:
// names without regard to letter case, held files in use, links followed on
// the way to a path but not at its end, one switch lock per folder,
// sources opened once and copied as they were then, and a copy that stops at
// a held file or at one that is there already.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/keyed_collection.h"
#include "install/game_files.h"

namespace quorin::test {

class MemoryFiles : public IGameFiles {
  public:
    struct Node {
        std::string path; // as first written
        FileState state;
        std::string content;
        std::string target; // a link's
        bool operator==(const Node&) const = default;
    };
    std::map<std::string, Node> nodes;           // folded path
    std::set<std::string> held;                  // folded paths open without sharing
    std::set<std::string> locked;                // folded game folders another process switches
    std::map<std::string, FileResult> copyFails; // folded destination: the copy's failure there
    // Renames made before the first of copyFails fails, which stops the rest.
    std::optional<std::size_t> movesBeforeCopyFails;
    std::optional<std::uint64_t> freeBytes;
    std::uint64_t copyTimeShift = 0;  // a file system that rounds times
    std::function<void()> duringCopy; // runs inside each copy, after its ticks, before it writes
    bool writeFails = false;          // CreateJournal refuses
    std::vector<std::string> written; // every copy's destination, in order
    std::uint64_t clock = 1'000'000'000;
    std::map<std::string, std::string> versions; // folded path: its file version

    void Folder(const std::string& path) { nodes[FoldCase(path)] = {path, {true, true}, {}, {}}; }
    void File(const std::string& path, const std::string& content) {
        for (std::size_t at = path.find('\\', 3); at != std::string::npos;
             at = path.find('\\', at + 1))
            if (!nodes.contains(FoldCase(path.substr(0, at))))
                Folder(path.substr(0, at));
        nodes[FoldCase(path)] = {
            path, {true, false, false, false, content.size(), clock += 10'000'000}, content, {}};
    }
    // A link at `path` to the folder or file `target`.
    void Link(const std::string& path, const std::string& target) {
        const bool folder = Stat(target).folder;
        nodes[FoldCase(path)] = {path, {true, folder, false, true}, {}, target};
    }
    std::string Content(const std::string& path) const {
        const auto it = nodes.find(FoldCase(Resolve(path)));
        return it == nodes.end() ? "(none)" : it->second.content;
    }
    // The path with every link on the way to it followed; its last part is
    // followed too when `last`.
    std::string Resolve(const std::string& path, bool last = false) const {
        std::string out;
        std::size_t from = 0;
        while (true) {
            const std::size_t at = path.find('\\', from);
            out += path.substr(from, at == std::string::npos ? std::string::npos : at - from);
            const auto it = nodes.find(FoldCase(out));
            if ((at != std::string::npos || last) && it != nodes.end() && it->second.state.link)
                out = it->second.target;
            if (at == std::string::npos)
                return out;
            out += '\\';
            from = at + 1;
        }
    }

    bool FileExists(const std::string& path) override {
        const FileState s = Stat(path);
        return s.exists && !s.folder;
    }
    FileState Stat(const std::string& path) override {
        const auto it = nodes.find(FoldCase(Resolve(path)));
        return it == nodes.end() ? FileState{} : it->second.state;
    }
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override {
        if (!Stat(folder).folder)
            return std::nullopt;
        std::vector<FileEntry> out;
        const std::string prefix = FoldCase(Resolve(folder, true)) + "\\";
        for (const auto& [key, node] : nodes) { // sorted: a folder before what it holds
            if (!key.starts_with(prefix))
                continue;
            const std::string name = node.path.substr(prefix.size());
            // A link is listed; what lies below it is not.
            if (std::none_of(out.begin(), out.end(), [&](const FileEntry& e) {
                    return e.state.link && FoldCase(name).starts_with(FoldCase(e.path) + "\\");
                }))
                out.push_back({name, node.state});
        }
        return out;
    }
    std::optional<std::uint64_t> FreeBytes(const std::string&) override { return freeBytes; }
    FileResult Rename(const std::string& from, const std::string& to) override {
        const auto it = nodes.find(FoldCase(Resolve(from)));
        if (it == nodes.end())
            return kFileNotFound;
        if (held.contains(it->first))
            return kFileInUse;
        const std::string dest = Resolve(to);
        if (nodes.contains(FoldCase(dest)))
            return kFileExists;
        // The folders keep the case they have; the name takes the new one.
        const std::size_t leaf = dest.rfind('\\');
        const auto parent = nodes.find(FoldCase(dest.substr(0, leaf)));
        const std::string newPath =
            parent == nodes.end() ? dest : parent->second.path + dest.substr(leaf);
        const std::string oldKey = it->first;
        std::map<std::string, Node> moved;
        for (auto n = nodes.begin(); n != nodes.end();)
            if (n->first == oldKey || n->first.starts_with(oldKey + "\\")) {
                Node node = n->second;
                node.path = newPath + node.path.substr(oldKey.size());
                moved[FoldCase(node.path)] = node;
                n = nodes.erase(n);
            } else {
                ++n;
            }
        nodes.merge(moved);
        return kFileOk;
    }
    FileResult RemoveFile(const std::string& path) override {
        const std::string key = FoldCase(Resolve(path));
        const auto it = nodes.find(key);
        if (it == nodes.end())
            return kFileNotFound;
        if (it->second.state.link)
            return kFileLink;
        if (it->second.state.folder)
            return kFileAccessDenied;
        if (held.contains(key))
            return kFileInUse;
        nodes.erase(it); // read-only or not
        return kFileOk;
    }
    FileResult MakeFolder(const std::string& path) override {
        if (nodes.contains(FoldCase(Resolve(path))))
            return kFileExists;
        Folder(Resolve(path));
        return kFileOk;
    }
    FileResult RemoveFolder(const std::string& path) override {
        const auto it = nodes.find(FoldCase(Resolve(path)));
        if (it == nodes.end() || !it->second.state.folder)
            return kFileNotFound;
        if (it->second.state.link)
            return kFileLink;
        if (List(path)->size())
            return kFileNotEmpty;
        nodes.erase(it);
        return kFileOk;
    }

    class Journal : public IJournalFile {
      public:
        Journal(MemoryFiles& files, std::string key) : files_(files), key_(std::move(key)) {}
        ~Journal() override { files_.held.erase(key_); }
        FileResult Remove() override {
            files_.held.erase(key_);
            files_.nodes.erase(key_);
            return kFileOk;
        }

      private:
        MemoryFiles& files_;
        std::string key_;
    };
    std::unique_ptr<IJournalFile> CreateJournal(const std::string& path, const std::string& text,
                                                FileResult& error) override {
        const std::string key = FoldCase(Resolve(path));
        error = writeFails ? kFileAccessDenied : nodes.contains(key) ? kFileExists : kFileOk;
        if (error != kFileOk)
            return nullptr;
        File(Resolve(path), text);
        held.insert(key);
        return std::make_unique<Journal>(*this, key);
    }
    std::optional<std::string> ReadText(const std::string& path, std::size_t limit) override {
        if (!FileExists(path) || held.contains(FoldCase(Resolve(path))))
            return std::nullopt;
        return Content(path).substr(0, limit + 1);
    }

    // A hold that runs `release` when let go.
    struct Released : ISwitchLock {
        explicit Released(std::function<void()> r) : release(std::move(r)) {}
        ~Released() override { release(); }
        std::function<void()> release;
    };
    std::unique_ptr<ISwitchLock> LockSwitch(const std::string& gameData) override {
        if (!locked.insert(FoldCase(gameData)).second)
            return nullptr;
        return std::make_unique<Released>([this, key = FoldCase(gameData)] { locked.erase(key); });
    }

    std::optional<std::string> FileVersion(const std::string& path) override {
        const auto it = versions.find(FoldCase(path));
        return it == versions.end() ? std::nullopt : std::optional(it->second);
    }
    // A source as it was when opened: another program cannot change it
    // while it is open.
    struct Source : ISource {
        Source(MemoryFiles& f, std::string p, std::string k, Node n)
            : files(f), path(std::move(p)), key(std::move(k)), node(std::move(n)) {
            files.held.insert(key);
        }
        ~Source() override { files.held.erase(key); }
        MemoryFiles& files;
        std::string path, key;
        Node node;
        const std::string& Path() const override { return path; }
        FileState State() const override { return node.state; }
    };
    std::unique_ptr<ISource> OpenSource(const std::string& path, FileResult& error) override {
        const auto it = nodes.find(FoldCase(Resolve(path)));
        error = it == nodes.end() ? kFileNotFound : held.contains(it->first) ? kFileInUse : kFileOk;
        if (error != kFileOk)
            return nullptr;
        return std::make_unique<Source>(*this, path, it->first, it->second);
    }
    CopyResult CopyFiles(const std::string&, const std::vector<CopyItem>& items,
                         const std::vector<Move>& movesFirst,
                         const std::function<void()>& whileCopying) override {
        CopyResult result;
        for (const Move& move : movesFirst) {
            for (const CopyItem& item : items) // a copy failed meanwhile
                if (const auto fails = copyFails.find(FoldCase(item.to));
                    fails != copyFails.end() && result.movesDone == movesBeforeCopyFails)
                    return result.copyError = fails->second, result.failedPath = item.to, result;
            if ((result.moveError = Rename(move.from, move.to)) != kFileOk)
                return result;
            ++result.movesDone;
        }
        for (int tick = 0; tick < 2 && whileCopying; ++tick)
            whileCopying(); // a copy is seen more than once while it runs
        if (duringCopy)
            duringCopy();
        for (const CopyItem& item : items) {
            const std::string to = Resolve(item.to);
            const auto fails = copyFails.find(FoldCase(item.to));
            result.copyError = fails != copyFails.end()       ? fails->second
                               : held.contains(FoldCase(to))  ? kFileInUse
                               : !item.source                 ? kFileOk
                               : nodes.contains(FoldCase(to)) ? kFileExists
                                                              : kFileOk;
            if (result.copyError != kFileOk) {
                result.failedPath = item.to;
                return result;
            }
            if (!item.source) {
                if (!nodes.contains(FoldCase(to)))
                    Folder(to);
                continue;
            }
            written.push_back(item.to);
            const Node& from = static_cast<const Source&>(*item.source).node;
            File(to, from.content);
            nodes[FoldCase(to)].state.writeTime = from.state.writeTime + copyTimeShift;
            nodes[FoldCase(to)].state.readOnly = from.state.readOnly;
        }
        result.copied = true;
        return result;
    }
    std::string ToolFolder() override { return "C:\\Tool"; }
};

} // namespace quorin::test
