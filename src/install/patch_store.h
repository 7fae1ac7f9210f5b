// The patch store beside Quorin ("Patch Files\100" and "\101"): what it
// holds, whether each version is complete for a switch, and the record of
// the files that only 1.0.1 has. Everything in the store may have been put
// there by anyone: it is read, checked and reported on, never trusted.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "install/game_files.h"

namespace quorin {

inline constexpr char kStoreFolder[] = "\\Patch Files";
inline constexpr char kStoreRecordName[] = "Quorin store.txt";
inline constexpr char kOnly101Name[] = "base\\assets3.pk3";
// A record longer than this, or with a longer line, was not written by Quorin.
inline constexpr std::size_t kStoreRecordLimit = 1 << 20;
inline constexpr std::size_t kStoreLineLimit = 1024;

// The store's files as the inspection and the take use them.
class IStoreFiles {
  public:
    virtual ~IStoreFiles() = default;
    virtual FileState Stat(const std::string& path) = 0;
    // Every file and folder below `folder`, each folder before what it
    // holds, names in the case they have; a link is listed but never
    // entered. Empty when `folder` is not a folder.
    virtual std::optional<std::vector<FileEntry>> List(const std::string& folder) = 0;
    // True when another program holds the file so that it cannot be read.
    virtual bool Held(const std::string& path) = 0;
    // The file version its version resource gives ("1.0.1.0"); empty when none.
    virtual std::optional<std::string> FileVersion(const std::string& path) = 0;
    // The checksum of a file's bytes (ContentHash); empty when it cannot be
    // read whole. `going` is asked now and then and stops it with false.
    virtual std::optional<std::uint64_t> Checksum(const std::string& path,
                                                  const std::function<bool()>& going) = 0;
    // Copies a file to `to`, which must not exist, its bytes on the disk when
    // it returns. `going` gets the bytes copied so far and stops it with false
    // (then nothing is left at `to`).
    virtual FileResult CopyInto(const std::string& from, const std::string& to,
                                const std::function<bool(std::uint64_t)>& going) = 0;
    virtual FileResult MakeFolder(const std::string& path) = 0;
    virtual FileResult Rename(const std::string& from, const std::string& to) = 0;
    // Never through a link: a link itself is removed, not what it points at.
    virtual FileResult RemoveFile(const std::string& path) = 0;
    virtual FileResult RemoveFolder(const std::string& path) = 0; // an empty one
    // At most `limit` + 1 bytes; empty when it cannot be read.
    virtual std::optional<std::string> ReadText(const std::string& path, std::size_t limit) = 0;
    // A new file with `text` on the disk when it returns.
    virtual FileResult WriteText(const std::string& path, const std::string& text) = 0;
};

// 64-bit FNV-1a over a file's bytes, fed in pieces.
class ContentHash {
  public:
    void Add(const void* data, std::size_t size);
    std::uint64_t Value() const { return value_; }

  private:
    std::uint64_t value_ = 0xcbf29ce484222325ull;
};

// What the store's record says, by names relative to a version's folder.
struct StoreRecord {
    struct Sum {
        std::uint64_t size = 0;
        std::uint64_t checksum = 0;
        bool operator==(const Sum&) const = default;
    };
    struct File {
        int version = 0; // 100 or 101; 0 for a file the two versions share
        std::string name;
        Sum sum;
        bool operator==(const File&) const = default;
    };
    std::vector<int> taken;           // the versions taken from a game, in order
    std::vector<File> files;          // every file taken, with its checksum
    std::vector<std::string> only101; // files the update added, besides assets3.pk3
    bool operator==(const StoreRecord&) const = default;
};

std::string FormatStoreRecord(const StoreRecord& record);
// Empty for anything Quorin would not have written.
std::optional<StoreRecord> ParseStoreRecord(const std::string& text);

// A name below a folder that stays inside it: no drive, no root, no "." or
// "..", no stream, nothing Windows would trim away.
// The parts of a path, split at every backslash.
std::vector<std::string> PathComponents(const std::string& path);
bool IsStoreName(const std::string& relativePath);
// Notes that earlier releases put into the patch folders: not game files.
bool IsStoreNote(const std::string& relativePath);

struct VersionReport {
    int version = 0;
    bool present = false;
    bool complete = false; // a switch to this version would start
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    std::vector<std::string> missing; // in the switch's own words
};

struct StoreReport {
    VersionReport v100;
    VersionReport v101;
    std::vector<std::string> problems; // found before any switch: case twins, links, ...
    std::optional<StoreRecord> record; // none when there is none or it is damaged
    bool Usable() const { return problems.empty(); }
};

// Looks at the store in `toolFolder` and says what it holds.
StoreReport InspectStore(IStoreFiles& files, const std::string& toolFolder);

// "1.0.0" or "1.0.1" for 100 and 101.
std::string VersionName(int version);

} // namespace quorin
