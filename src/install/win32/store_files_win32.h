// The patch store's files through Windows, for the inspection and the take.
#pragma once

#include "common/win32/win.h"
#include "install/patch_store.h"

namespace quorin::win32 {

class StoreFiles : public IStoreFiles {
  public:
    FileState Stat(const std::string& path) override;
    std::optional<std::vector<FileEntry>> List(const std::string& folder) override;
    bool Held(const std::string& path) override;
    std::optional<std::string> FileVersion(const std::string& path) override;
    std::optional<std::uint64_t> Checksum(const std::string& path,
                                          const std::function<bool()>& going) override;
    FileResult CopyInto(const std::string& from, const std::string& to,
                        const std::function<bool(std::uint64_t)>& going) override;
    FileResult MakeFolder(const std::string& path) override;
    FileResult Rename(const std::string& from, const std::string& to) override;
    FileResult RemoveFile(const std::string& path) override;
    FileResult RemoveFolder(const std::string& path) override;
    std::optional<std::string> ReadText(const std::string& path, std::size_t limit) override;
    FileResult WriteText(const std::string& path, const std::string& text) override;
};

} // namespace quorin::win32
