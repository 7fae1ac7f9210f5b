#include "console/switch_texts.h"

#include "console/switch_paths.h"

namespace quorin {

namespace {

// Whole megabytes: a need rounded up, the room there is rounded down, so
// that the two never read as the same when the room falls short.
std::string Megabytes(std::uint64_t bytes, bool up) {
    return std::to_string((bytes + (up ? (1 << 20) - 1 : 0)) >> 20) + " MB";
}

} // namespace

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

std::string Cause(const std::string& path, FileResult result) {
    switch (result.error) {
    case FileError::InUse:
        return Quoted(path) + " is in use by another program. Close the game (and any program "
                              "that may have the file open), then click Patch again.";
    case FileError::AccessDenied:
        return "Quorin was refused access to " + Quoted(path) +
               ". Check that Quorin may change the game folder.";
    case FileError::DiskFull:
        return "The drive is full: " + Quoted(path) +
               " could not be written. Free some space, then click Patch again.";
    case FileError::Link:
        return Quoted(path) + " is a link. Quorin changes nothing through links.";
    case FileError::NotFound:
        return Quoted(path) + " is missing.";
    default:
        return Quoted(path) + " could not be changed (error " + std::to_string(result.system) +
               ").";
    }
}

std::string LinkText(const std::string& path) {
    return Quoted(path) + " is a link (a symbolic link or junction). Quorin changes nothing "
                          "through links: replace it with a real folder or file, then click "
                          "Patch again.";
}

std::string TooLongText(const std::string& path) {
    return "The path " + Quoted(path) + " is longer than the " + std::to_string(kMaxPath) +
           " characters that Quorin can use. Install the game in a folder with a shorter path.";
}

std::string GameDataMissingText(const std::string& gameData) {
    return "The game folder " + Quoted(gameData) + " is missing. Check the game's installation.";
}

std::string StoreLinkText(const std::string& folder) {
    return "The patch folder " + Quoted(folder) +
           " is a link. Quorin copies no links: put the files themselves there.";
}

std::string StoreHoldsLinkText(const std::string& path) {
    return "The patch folder holds a link, " + Quoted(path) +
           ". Quorin copies no links: put the files themselves there.";
}

std::string StoreMissingText(const std::string& folder) {
    return "The patch folder " + Quoted(folder) +
           " is missing. Put that version's files there, then click Patch again.";
}

std::string StoreEmptyText(const std::string& folder) {
    return "The patch folder " + Quoted(folder) +
           " holds none of the game's files. Put that version's files there, then click Patch "
           "again.";
}

std::string UncopyableText(const std::string& path) {
    return Quoted(path) + " has a name Quorin cannot copy.";
}

std::string NotInsideText(const std::string& path, const std::string& gameData) {
    return Quoted(path) + " is not inside the game folder " + Quoted(gameData) + ".";
}

std::string DeletedNotInsideText(const std::string& path) {
    return Quoted(path) + " is not inside the game folder.";
}

std::string FolderInTheWayText(const std::string& path) {
    return Quoted(path) + " is a folder where the patch has a file.";
}

std::string LeftBehindText(std::size_t count, const std::string& names,
                           const std::string& store100) {
    return "The 1.0.0 patch folder lacks " + std::to_string(count) +
           " file(s) that the 1.0.1 files replace: " + names + (count > 5 ? ", ..." : "") +
           ". Switching down would leave them behind. Put their 1.0.0 versions into " +
           Quoted(store100) + ", then click Patch again.";
}

std::string NoRoomText(std::uint64_t needed, std::uint64_t free, const std::string& gameData) {
    return "There is not enough room on the game's drive: the switch needs " +
           Megabytes(needed, true) + " in " + Quoted(gameData) + ", and " + Megabytes(free, false) +
           " are free. Free some space, then click Patch again.";
}

std::string NotOursAsideText(const std::string& path) {
    return Quoted(path) + " is in Quorin's folder but Quorin did not put it there. Move it "
                          "elsewhere, then click Patch again.";
}

std::string JournalUnwritableText(const std::string& folder, const std::string& cause) {
    return "Quorin cannot write its journal into " + Quoted(folder) + ": " + cause;
}

std::string CopyFailedText(const std::string& gameData) {
    return "The copy into " + Quoted(gameData) + " failed.";
}

std::string NotArrivedText(const std::string& path, const std::string& source) {
    return Quoted(path) + " did not arrive whole from " + Quoted(source) +
           ". Close the game and any program that may hold the patch files open, then click "
           "Patch again.";
}

std::string NowAFolderText(const std::string& path) {
    return Quoted(path) + " is now a folder.";
}

std::string NeitherHereNorThereText(const std::string& path, const std::string& folder,
                                    std::size_t index) {
    return Quoted(path) + " is missing: it is neither in its place nor in " + Quoted(folder) +
           " as " + Quoted(std::to_string(index)) + ".";
}

std::string NotPutBackText(const std::vector<std::string>& problems, const std::string& folder) {
    std::string text = "Quorin could not put everything back:";
    for (std::size_t i = 0; i < problems.size() && i < 5; ++i)
        text += " " + problems[i];
    if (problems.size() > 5)
        text += " (and " + std::to_string(problems.size() - 5) + " more)";
    return text + " Its journal stays in " + Quoted(folder) + "." + kTriesAgain;
}

std::string UnfinishedText(const std::string& what) {
    return "A version switch did not finish the last time Quorin ran (Quorin or the computer "
           "stopped during it). " +
           what;
}

std::string UnreadableText(const std::string& folder, const std::string& why) {
    return "Quorin found what an unfinished version switch left in " + Quoted(folder) + ", but " +
           why +
           " Quorin has changed nothing: any game files it had moved aside are still there. "
           "Close any program that may have it open and start Quorin again, or click Patch to "
           "set the folder aside (nothing in it is deleted) and switch anew.";
}

std::string JournalNotRemovedText(const std::string& cause) {
    return UnfinishedText("The game is back as it was, but Quorin could not remove its journal: " +
                          cause + kTriesAgain);
}

std::string RolledBackText(std::size_t restored, std::size_t removed) {
    return UnfinishedText(
        "The game has been put back as it was before: " + std::to_string(restored) +
        " file(s) restored, " + std::to_string(removed) + " removed.");
}

std::string SetAsideLinkText(const std::string& folder) {
    return Quoted(folder) + " is a link, which Quorin leaves alone. Remove the link yourself, "
                            "then click Patch again.";
}

std::string TooManyKeptText(const std::string& folder) {
    return "There are too many folders named " + Quoted(folder + " (kept ...)") +
           ": remove the ones you no longer need.";
}

} // namespace quorin
