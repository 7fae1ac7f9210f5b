// The store's files on the in-memory game folder; case twins, which only a
// case-sensitive folder holds, are listed as added.
#pragma once

#include "install/patch_store.h"
#include "tests/support/memory_files.h"

namespace quorin::test {

// Thrown by a hook to stop a run where it is, as a kill would.
struct Killed {};

class MemoryStore : public IStoreFiles, public MemoryFiles {
  public:
    std::vector<std::pair<std::string, FileEntry>> twins; // a folder, and the entry it also lists
    // Runs before each copy ("copy") and rename ("rename"), with the destination.
    std::function<void(const std::string&, const std::string&)> before;

    // Every file below `folder`, by name relative to it, with its content.
    std::map<std::string, std::string> Files(const std::string& folder) const {
        std::map<std::string, std::string> out;
        for (const auto& [key, node] : nodes)
            if (!node.state.folder && key.starts_with(FoldCase(folder) + "\\"))
                out[node.path.substr(folder.size() + 1)] = node.content;
        return out;
    }

    FileState Stat(const std::string& path) override { return MemoryFiles::Stat(path); }
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override {
        if (Stat(folder).link)
            return std::nullopt;
        auto out = MemoryFiles::List(folder);
        for (const auto& [in, entry] : twins)
            if (out && EqualsNoCase(in, folder))
                out->push_back(entry);
        return out;
    }
    bool Held(const std::string& path) override { return held.contains(FoldCase(path)); }
    std::optional<std::string> FileVersion(const std::string& path) override {
        return MemoryFiles::FileVersion(path);
    }
    std::optional<std::uint64_t> Checksum(const std::string& path,
                                          const std::function<bool()>& going) override {
        if (!FileExists(path) || Held(path) || (going && !going()))
            return std::nullopt;
        ContentHash hash;
        hash.Add(Content(path).data(), Content(path).size());
        return hash.Value();
    }
    FileResult CopyInto(const std::string& from, const std::string& to,
                        const std::function<bool(std::uint64_t)>& going) override {
        if (before)
            before("copy", to);
        if (!FileExists(from))
            return kFileNotFound;
        if (Held(from))
            return kFileInUse;
        if (Stat(to).exists)
            return kFileExists;
        if (going && !going(Stat(from).size))
            return {FileError::Other, 1223}; // cancelled
        File(to, Content(from));
        return kFileOk;
    }
    FileResult MakeFolder(const std::string& path) override {
        return MemoryFiles::MakeFolder(path);
    }
    FileResult Rename(const std::string& from, const std::string& to) override {
        if (before)
            before("rename", to);
        return MemoryFiles::Rename(from, to);
    }
    FileResult RemoveFile(const std::string& path) override {
        return MemoryFiles::RemoveFile(path);
    }
    FileResult RemoveFolder(const std::string& path) override {
        return MemoryFiles::RemoveFolder(path);
    }
    std::optional<std::string> ReadText(const std::string& path, std::size_t limit) override {
        return MemoryFiles::ReadText(path, limit);
    }
    FileResult WriteText(const std::string& path, const std::string& text) override {
        if (Stat(path).exists)
            return kFileExists;
        File(path, text);
        return kFileOk;
    }
};

} // namespace quorin::test
