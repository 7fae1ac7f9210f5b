// Folders reached and held through handles, never through a link: one name
// opened below a folder's handle, the copy's tree of folders, and the guard
// an elevated copy holds over "GameData" and every folder above it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "common/win32/win.h"
#include "install/game_files.h"

namespace quorin::win32 {

// `name`, one component, opened or made relative to the folder `parent`
// (NtCreateFile's root handle), never through a link at its place: what
// is reached is inside the folder that handle holds, whatever has been
// renamed on the way since it was opened.
UniqueFile OpenBelow(HANDLE parent, const std::string& name, ACCESS_MASK access, ULONG share,
                     ULONG disposition, ULONG options, FileResult& error);

// A folder handle, opened on `path`, that is no link and no file; else why
// not. Wine opens what a link names even when asked for the link itself, and
// tells a link only by its path: the path is looked at too.
FileResult PlainFolder(const UniqueFile& folder, FileResult opened, const std::string& path);

constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
// Not shared for deletion: on Windows the folder cannot be renamed or
// removed (and a link put in its place) while it is held.
constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The folders of a copy below its root, each opened relative to the one
// above it, from the root's own handle down.
class FolderTree {
  public:
    FileResult OpenRoot(const std::string& root);
    // The folder `path` (the root or below it), made when `make` and not there.
    HANDLE Folder(const std::string& path, bool make, FileResult& error);

  private:
    std::string root_;
    std::map<std::string, UniqueFile> open_; // folded, below the root
};

// For a copy of Quorin with administrator rights: "GameData" and every
// folder above it opened on handles (none may be a link) and held without
// sharing their removal, so that none is renamed or replaced while the
// switch runs, and "GameData" changed by administrators alone, as its
// handle's access list says. None, `problem` in words for the player, when
// not. (Under Wine, which keeps no access lists, only the links are looked at.)
struct HeldFolders {
    std::vector<UniqueFile> folders; // from the drive's root down to "GameData"
};
std::optional<HeldFolders> GuardForAdministrators(const std::string& gameData,
                                                  std::string& problem);

} // namespace quorin::win32
