// A game folder in memory that answers as the Windows file system does:
// names without regard to letter case, sharing violations for held files,
// the shell's copy that leaves a held file as it was and still says success.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
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
        bool operator==(const Node&) const = default;
    };
    std::map<std::string, Node> nodes; // folded path
    std::set<std::string> held;        // folded paths open without sharing
    std::optional<std::uint64_t> freeBytes;
    std::uint64_t copyTimeShift = 0;  // a file system that rounds times
    std::function<void()> duringCopy; // runs inside each copy, before it writes
    bool writeFails = false;          // WriteText refuses
    std::vector<CopyStep> copies;
    std::vector<LaunchRequest> started;
    std::uint64_t clock = 1'000'000'000;
    std::map<std::string, std::string> versions; // folded path: its file version

    void Folder(const std::string& path) { nodes[FoldCase(path)] = {path, {true, true}, {}}; }
    void File(const std::string& path, const std::string& content) {
        for (std::size_t at = path.find('\\', 3); at != std::string::npos;
             at = path.find('\\', at + 1))
            if (!nodes.contains(FoldCase(path.substr(0, at))))
                Folder(path.substr(0, at));
        nodes[FoldCase(path)] = {
            path, {true, false, false, content.size(), clock += 10'000'000}, content};
    }
    std::string Content(const std::string& path) const {
        const auto it = nodes.find(FoldCase(path));
        return it == nodes.end() ? "(none)" : it->second.content;
    }

    bool FileExists(const std::string& path) override {
        const FileState s = Stat(path);
        return s.exists && !s.folder;
    }
    FileState Stat(const std::string& path) override {
        const auto it = nodes.find(FoldCase(path));
        return it == nodes.end() ? FileState{} : it->second.state;
    }
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override {
        if (!Stat(folder).folder)
            return std::nullopt;
        std::vector<FileEntry> out;
        const std::string prefix = FoldCase(folder) + "\\";
        for (const auto& [key, node] : nodes) // sorted: a folder before what it holds
            if (key.starts_with(prefix))
                out.push_back({node.path.substr(prefix.size()), node.state});
        return out;
    }
    std::optional<std::uint64_t> FreeBytes(const std::string&) override { return freeBytes; }
    long Rename(const std::string& from, const std::string& to) override {
        const auto it = nodes.find(FoldCase(from));
        if (it == nodes.end())
            return kFileNotFound;
        if (held.contains(FoldCase(from)))
            return kFileSharingViolation;
        if (nodes.contains(FoldCase(to)))
            return 183; // already exists
        // The folders keep the case they have; the name takes the new one.
        Node moved = it->second;
        const std::size_t leaf = to.rfind('\\');
        const auto parent = nodes.find(FoldCase(to.substr(0, leaf)));
        moved.path = parent == nodes.end() ? to : parent->second.path + to.substr(leaf);
        nodes.erase(it);
        nodes[FoldCase(to)] = moved;
        return kFileOk;
    }
    long RemoveFile(const std::string& path) override {
        if (!FileExists(path))
            return kFileNotFound;
        if (held.contains(FoldCase(path)))
            return kFileSharingViolation;
        nodes.erase(FoldCase(path));
        return kFileOk;
    }
    long MakeFolder(const std::string& path) override {
        if (nodes.contains(FoldCase(path)))
            return 183; // already exists
        Folder(path);
        return kFileOk;
    }
    long RemoveFolder(const std::string& path) override {
        if (!Stat(path).folder)
            return kFileNotFound;
        if (List(path)->size())
            return 145; // not empty
        nodes.erase(FoldCase(path));
        return kFileOk;
    }
    bool WriteText(const std::string& path, const std::string& text) override {
        if (!writeFails)
            File(path, text);
        return !writeFails;
    }
    std::optional<std::string> ReadText(const std::string& path) override {
        return FileExists(path) ? std::optional(Content(path)) : std::nullopt;
    }
    std::optional<std::string> FileVersion(const std::string& path) override {
        const auto it = versions.find(FoldCase(path));
        return it == versions.end() ? std::nullopt : std::optional(it->second);
    }
    CopyResult CopyFiles(const CopyStep& step, const std::vector<Move>& movesFirst,
                         const std::function<void()>& whileCopying) override {
        CopyResult result;
        for (const Move& move : movesFirst) {
            if ((result.moveError = Rename(move.from, move.to)) != kFileOk)
                return result;
            ++result.movesDone;
        }
        copies.push_back(step);
        if (duringCopy)
            duringCopy();
        for (int tick = 0; tick < 2 && whileCopying; ++tick)
            whileCopying(); // a copy is seen more than once while it runs
        const std::string source = step.sourcePattern.substr(0, step.sourcePattern.rfind('\\'));
        const auto listing = List(source);
        for (const FileEntry& e : listing.value_or(std::vector<FileEntry>{})) {
            const std::string to = step.destination + e.path;
            if (held.contains(FoldCase(to)) || held.contains(FoldCase(source + "\\" + e.path)))
                continue; // left as it was, and still reported as a success
            if (e.state.folder) {
                if (!nodes.contains(FoldCase(to)))
                    Folder(to);
                continue;
            }
            File(to, Content(source + "\\" + e.path));
            nodes[FoldCase(to)].state.writeTime = e.state.writeTime + copyTimeShift;
        }
        result.copied = true;
        return result;
    }
    void StartAndWait(const LaunchRequest& request) override { started.push_back(request); }
    std::string ToolFolder() override { return "C:\\Tool"; }
};

} // namespace quorin::test
