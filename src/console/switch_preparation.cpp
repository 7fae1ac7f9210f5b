#include "console/switch_preparation.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "common/keyed_collection.h"
#include "console/switch_paths.h"
#include "console/switch_texts.h"
#include "install/patch_store.h"

namespace quorin {

namespace {

constexpr std::uint64_t kRoomSlack = 1 << 20;

// Everything the copies will write, each file once: a step whose every file
// an earlier step already writes from the same source is left out.
class Preparation {
  public:
    Preparation(IGameFiles& files, const std::string& gameData, PreparedSwitch& out)
        : files_(files), gameData_(gameData), out_(out) {}

    std::string Prepare(const SwitchPlan& plan) {
        tool_ = files_.ToolFolder();
        for (const CopyStep& step : plan.copies)
            if (std::string problem = AddStep(step); !problem.empty())
                return problem;
        if (std::string problem = ClaimDeleted(plan); !problem.empty())
            return problem;
        if (std::string problem = ClaimOnly101(plan); !problem.empty())
            return problem;
        if (std::string problem = LeftBehind(plan); !problem.empty())
            return problem;
        if (const auto free = files_.FreeBytes(gameData_); free && *free < out_.bytes + kRoomSlack)
            return NoRoomText(out_.bytes + kRoomSlack, *free, gameData_);
        return {};
    }

  private:
    std::string Full(const std::string& relative) const { return gameData_ + "\\" + relative; }

    // Why a name below "GameData" cannot be written: too long, or a link on its way.
    std::string Unreachable(const std::string& relative) {
        if (Full(relative).size() > kMaxPath)
            return TooLongText(Full(relative));
        if (const std::string link = LinkOnTheWay(files_, gameData_, relative); !link.empty())
            return LinkText(link);
        return {};
    }

    // A file the switch writes or deletes, journalled as moved aside or new.
    std::string Claim(const std::string& relative) {
        if (std::string problem = Unreachable(relative); !problem.empty())
            return problem;
        const FileState state = files_.Stat(Full(relative));
        if (state.folder)
            return FolderInTheWayText(Full(relative));
        (state.exists ? out_.journal.movedFiles : out_.journal.newFiles).push_back(relative);
        return {};
    }

    // A folder the copies make where none is.
    std::string AddFolder(const std::string& source, const std::string& name) {
        if (std::string problem = Unreachable(name); !problem.empty())
            return problem;
        out_.journal.folders.push_back(name);
        byDestination_[FoldCase(name)] = out_.planned.size();
        out_.planned.push_back({source, name, 0, 0, true});
        return {};
    }

    std::string AddStep(const CopyStep& step) {
        const std::string source = step.SourceFolder();
        // The store's own folders are no links either ("Patch Files\100" made
        // one to a folder elsewhere), up to Quorin's folder.
        for (std::string folder = source; folder.size() > tool_.size();
             folder = folder.substr(0, folder.rfind('\\')))
            if (files_.Stat(folder).link)
                return StoreLinkText(folder);
        const auto listing = files_.List(source);
        if (!listing)
            return StoreMissingText(source);
        if (std::none_of(listing->begin(), listing->end(),
                         [](const FileEntry& e) { return !e.state.folder && !IsOurNote(e.path); }))
            return StoreEmptyText(source);
        const std::string root = step.DestinationFolder();
        const std::optional<std::string> inside = NameInside(gameData_, root);
        if (!inside)
            return NotInsideText(root, gameData_);
        const std::string& rootName = *inside;
        if (!rootName.empty() && !files_.Stat(root).exists &&
            !byDestination_.contains(FoldCase(rootName)))
            if (std::string problem = AddFolder(source, rootName); !problem.empty())
                return problem;
        for (const FileEntry& entry : *listing)
            if (std::string problem = AddEntry(source, rootName, entry); !problem.empty())
                return problem;
        return {};
    }

    std::string AddEntry(const std::string& source, const std::string& rootName,
                         const FileEntry& entry) {
        const std::string from = source + "\\" + entry.path;
        if (entry.state.link)
            return StoreHoldsLinkText(from);
        if (!IsConfinedName(entry.path))
            return UncopyableText(from);
        const std::string name = rootName.empty() ? entry.path : rootName + "\\" + entry.path;
        const auto known = byDestination_.find(FoldCase(name));
        if (known != byDestination_.end() && out_.planned[known->second].source == from)
            return {};
        if (entry.state.folder) {
            if (known == byDestination_.end() && !files_.Stat(Full(name)).exists)
                return AddFolder(from, name);
            return {};
        }
        // Opened once, here: the copy reads this handle, whatever the folder
        // holds by then.
        FileResult error;
        std::unique_ptr<ISource> opened = files_.OpenSource(from, error);
        if (!opened)
            return Cause(from, error);
        const FileState state = opened->State();
        if (state.link || state.folder)
            return StoreHoldsLinkText(from);
        PlannedFile file{from, name, state.size, state.writeTime, false, std::move(opened)};
        if (known == byDestination_.end()) {
            if (std::string problem = Claim(name); !problem.empty())
                return problem;
            byDestination_[FoldCase(name)] = out_.planned.size();
            out_.planned.push_back(std::move(file));
        } else {
            out_.bytes -= out_.planned[known->second].size;
            out_.planned[known->second] = std::move(file);
        }
        out_.bytes += state.size;
        return {};
    }

    std::string ClaimDeleted(const SwitchPlan& plan) {
        if (!plan.deleteIfPresent)
            return {};
        const std::optional<std::string> name = NameInside(gameData_, *plan.deleteIfPresent);
        if (!name || name->empty())
            return DeletedNotInsideText(*plan.deleteIfPresent);
        deleted_ = *name;
        if (!byDestination_.contains(FoldCase(deleted_)) && files_.FileExists(Full(deleted_)))
            return Claim(deleted_);
        return {};
    }

    // The files the store's record names as only 1.0.1's go as the deleted
    // one does; without a record (or with one that cannot be read) there are none.
    std::string ClaimOnly101(const SwitchPlan& plan) {
        if (!plan.replacedStore)
            return {};
        const std::string store = plan.replacedStore->substr(0, plan.replacedStore->rfind('\\'));
        const auto text = files_.ReadText(store + "\\" + kStoreRecordName, kStoreRecordLimit);
        const auto record = text ? ParseStoreRecord(*text) : std::nullopt;
        for (const std::string& name : record ? record->only101 : std::vector<std::string>{}) {
            if (!IsConfinedName(name) || !only101_.insert(FoldCase(name)).second)
                continue;
            if (!byDestination_.contains(FoldCase(name)) && files_.FileExists(Full(name)))
                if (std::string problem = Claim(name); !problem.empty())
                    return problem;
        }
        return {};
    }

    // Going down, every file that 1.0.1 put into the game must be replaced
    // (or be one deleted), or the installation would be left mixed.
    std::string LeftBehind(const SwitchPlan& plan) {
        if (!plan.replacedStore)
            return {};
        std::string missing;
        std::size_t count = 0;
        for (const FileEntry& e :
             files_.List(*plan.replacedStore).value_or(std::vector<FileEntry>{}))
            if (!e.state.folder && !IsOurNote(e.path) &&
                !byDestination_.contains(FoldCase(e.path)) && !EqualsNoCase(e.path, deleted_) &&
                !only101_.contains(FoldCase(e.path)) && ++count <= 5)
                missing += (missing.empty() ? "" : ", ") + e.path;
        if (!count)
            return {};
        return LeftBehindText(count, missing,
                              plan.copies.empty() ? std::string() : plan.copies[0].SourceFolder());
    }

    IGameFiles& files_;
    const std::string& gameData_;
    PreparedSwitch& out_;
    std::string tool_;                                 // Quorin's own folder
    std::map<std::string, std::size_t> byDestination_; // folded name -> planned index
    std::string deleted_;                              // its name below "GameData"
    std::set<std::string> only101_;                    // folded names
};

} // namespace

std::string PrepareSwitch(IGameFiles& files, const std::string& gameData, const SwitchPlan& plan,
                          PreparedSwitch& out) {
    return Preparation(files, gameData, out).Prepare(plan);
}

} // namespace quorin
