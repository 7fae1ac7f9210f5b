// The patch store as the game folder's files show it, to be looked at
// only: the store's checks run on it before a switch. It changes nothing,
// and leaves held files to the switch, which finds them as it copies.
#pragma once

#include "install/game_files.h"
#include "install/patch_store.h"

namespace quorin {

class StoreView : public IStoreFiles {
  public:
    explicit StoreView(IGameFiles& files) : files_(files) {}
    FileState Stat(const std::string& path) override { return files_.Stat(path); }
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override {
        return files_.Stat(folder).link ? std::nullopt : files_.List(folder);
    }
    bool Held(const std::string&) override { return false; }
    std::optional<std::string> FileVersion(const std::string& path) override {
        return files_.FileVersion(path);
    }
    std::optional<std::uint64_t> Checksum(const std::string&,
                                          const std::function<bool()>&) override {
        return std::nullopt;
    }
    FileResult CopyInto(const std::string&, const std::string&,
                        const std::function<bool(std::uint64_t)>&) override {
        return kFileAccessDenied;
    }
    FileResult MakeFolder(const std::string&) override { return kFileAccessDenied; }
    FileResult Rename(const std::string&, const std::string&) override { return kFileAccessDenied; }
    FileResult RemoveFile(const std::string&) override { return kFileAccessDenied; }
    FileResult RemoveFolder(const std::string&) override { return kFileAccessDenied; }
    std::optional<std::string> ReadText(const std::string& path, std::size_t limit) override {
        return files_.ReadText(path, limit);
    }
    FileResult WriteText(const std::string&, const std::string&) override {
        return kFileAccessDenied;
    }

  private:
    IGameFiles& files_;
};

} // namespace quorin
