// The game folder's files as the version switch touches them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorin {

// The switch's lock, a file in "GameData" that exists only while it is held.
inline constexpr char kLockName[] = "\\Quorin switch.lock";

struct CopyStep {
    std::string sourcePattern; // "...\*.*"
    std::string destination;   // a folder, ending in "\"
    bool operator==(const CopyStep&) const = default;

    // The two folders, without the pattern and without a trailing "\".
    std::string SourceFolder() const { return sourcePattern.substr(0, sourcePattern.rfind('\\')); }
    std::string DestinationFolder() const {
        return destination.substr(0, destination.find_last_not_of('\\') + 1);
    }
};

// One entry of a folder's access list: its account as a SID's text
// ("S-1-5-32-544"), whether it allows or denies, whether it is only handed
// down to what is made inside, and the rights it names.
struct AccessEntry {
    std::string sid;
    bool allows = true;
    bool inheritOnly = false;
    std::uint32_t rights = 0;
};

// True when only administrators, the system and Windows' installer can
// change the folder (add, remove or rename what it holds, or change who
// may): its owner is one of them, and no entry lets anyone else.
inline bool OnlyAdministratorsChange(const std::string& ownerSid,
                                     const std::vector<AccessEntry>& entries) {
    const auto trusted = [](const std::string& sid) {
        return sid == "S-1-5-32-544" || sid == "S-1-5-18" ||
               sid == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    };
    // Add a file or a folder, delete a child, delete, change the access
    // list or the owner; and the generic write and all.
    constexpr std::uint32_t kChanging =
        0x2 | 0x4 | 0x40 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;
    return trusted(ownerSid) &&
           std::none_of(entries.begin(), entries.end(), [&](const AccessEntry& e) {
               return e.allows && !e.inheritOnly && (e.rights & kChanging) && !trusted(e.sid);
           });
}

// What a path holds. Times are in 100 ns ticks, as the file system keeps them.
struct FileState {
    bool exists = false;
    bool folder = false;
    bool readOnly = false;
    bool link = false; // a reparse point: a symbolic link, a junction, a mount point
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    bool operator==(const FileState&) const = default;
};

// One entry below a listed folder: its path relative to that folder.
struct FileEntry {
    std::string path;
    FileState state;
};

// Why a change to a file or folder failed, in the switch's own terms.
enum class FileError {
    None,
    NotFound,     // the file, or a folder on the way to it, is not there
    AccessDenied, // refused: no rights, or a read-only file where that matters
    InUse,        // another program holds it open
    DiskFull,
    Exists,   // something of that name is there already
    NotEmpty, // a folder that still holds something
    Link,     // the path is a link: Quorin changes nothing through one
    Other,    // any other failure: the system's own number tells it
};

struct FileResult {
    FileError error = FileError::None;
    long system = 0; // the system's number, for a failure of its own (Other)
    bool Ok() const { return error == FileError::None; }
    bool operator==(const FileResult&) const = default;
};

inline constexpr FileResult kFileOk{};
inline constexpr FileResult kFileNotFound{FileError::NotFound};
inline constexpr FileResult kFileAccessDenied{FileError::AccessDenied};
inline constexpr FileResult kFileInUse{FileError::InUse};
inline constexpr FileResult kFileDiskFull{FileError::DiskFull};
inline constexpr FileResult kFileExists{FileError::Exists};
inline constexpr FileResult kFileNotEmpty{FileError::NotEmpty};
inline constexpr FileResult kFileLink{FileError::Link};

struct Move {
    std::string from;
    std::string to;
};

struct CopyResult {
    bool copied = false;            // every file was copied
    std::size_t movesDone = 0;      // of movesFirst
    FileResult moveError = kFileOk; // why the next move failed; none when a
                                    // failed copy stopped the moves
    FileResult copyError = kFileOk; // why the copy stopped, when it did
    std::string failedPath;         // where it stopped: the file it could not
                                    // write, or the patch file it could not read
};

// The lock of a game folder's switch, held until it is let go.
class ISwitchLock {
  public:
    virtual ~ISwitchLock() = default;
};

// A patch file opened once, when the switch is planned, and held until the
// switch ends: never through a link, and no other program may write, rename
// or delete it (or a folder on its way) meanwhile, so that what is copied is
// what was checked.
class ISource {
  public:
    virtual ~ISource() = default;
    virtual const std::string& Path() const = 0;
    // What the open handle shows: a link or a folder is no source to copy.
    virtual FileState State() const = 0;
};

// One thing a copy makes: a folder, or a file from its source.
struct CopyItem {
    std::string to;
    const ISource* source = nullptr; // none for a folder
};

// A journal created by this process and held open without sharing, so that
// no other program reads or changes it while the switch runs.
class IJournalFile {
  public:
    virtual ~IJournalFile() = default;
    // Deletes it through its own handle.
    virtual FileResult Remove() = 0;
};

class IGameFiles {
  public:
    virtual ~IGameFiles() = default;
    // A plain file (not hidden, not system, not a folder); errors read as absent.
    virtual bool FileExists(const std::string& path) = 0;
    virtual FileState Stat(const std::string& path) = 0;
    // Every file and folder below `folder`, each folder before what it holds;
    // a link is listed but never entered. Empty when `folder` is not a folder.
    virtual std::optional<std::vector<FileEntry>> List(const std::string& folder) = 0;
    // Bytes free to the caller on the drive of `folder`; empty when unknown.
    virtual std::optional<std::uint64_t> FreeBytes(const std::string& folder) = 0;
    // Removals never act through a link: a path that is one gives
    // FileError::Link. A read-only file is removed all the same.
    virtual FileResult Rename(const std::string& from, const std::string& to) = 0;
    virtual FileResult RemoveFile(const std::string& path) = 0;
    virtual FileResult MakeFolder(const std::string& path) = 0;
    virtual FileResult RemoveFolder(const std::string& path) = 0; // an empty one
    // Creates `path`, which must not exist yet, with `text` on the disk
    // before it returns, and keeps it open without sharing for as long as
    // the result lives; null (and `error` set) when it cannot.
    virtual std::unique_ptr<IJournalFile>
    CreateJournal(const std::string& path, const std::string& text, FileResult& error) = 0;
    // At most `limit` + 1 bytes of a file, so that a caller can tell one
    // that is too long; empty when it cannot be opened or read.
    virtual std::optional<std::string> ReadText(const std::string& path, std::size_t limit) = 0;
    // The lock that lets one process at a time switch the game folder
    // `gameData`, held while the result lives; null while another holds it.
    // It is the file kLockName in `gameData`, which only who may write the
    // game folder can hold.
    virtual std::unique_ptr<ISwitchLock> LockSwitch(const std::string& gameData) = 0;
    // The file version its version resource gives ("1.0.1.0"); empty when
    // the file has none or cannot be read.
    virtual std::optional<std::string> FileVersion(const std::string& path) = 0;
    // `path` opened as a source (see ISource); null, `error` set, when it
    // cannot be (missing, or held by another program).
    virtual std::unique_ptr<ISource> OpenSource(const std::string& path, FileResult& error) = 0;
    // Makes the renames `movesFirst` in order, then the items in order, all
    // inside the folder `root`: a folder made where none is, a file written
    // from its source's handle where nothing is, each reached from the
    // root's own handle down (never through a link, never over a file),
    // with the source's attributes and last-write time, each on the disk
    // (not only in the cache) when it returns. A file is never written
    // before the rename that frees its place; the two may otherwise
    // overlap. Nothing but the items is copied. Stops at the first failure.
    // `whileCopying` is called on the caller's thread a few times a second
    // for as long as the work runs.
    virtual CopyResult CopyFiles(const std::string& root, const std::vector<CopyItem>& items,
                                 const std::vector<Move>& movesFirst,
                                 const std::function<void()>& whileCopying) = 0;
    // The folder of the tool's own executable, without a trailing "\".
    virtual std::string ToolFolder() = 0;
};

} // namespace quorin
