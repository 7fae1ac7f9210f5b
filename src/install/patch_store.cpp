#include "install/patch_store.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <string_view>

#include "common/keyed_collection.h"
#include "common/line_reader.h"
#include "common/versions.h"

namespace quorin {

namespace {

constexpr char kRecordHeader[] = "Quorin patch store 1";
constexpr char kRecordEnd[] = "end";

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

bool IsDeviceName(std::string part) {
    part = FoldCase(part.substr(0, part.find('.')));
    if (part == "con" || part == "prn" || part == "aux" || part == "nul" || part == "conin$" ||
        part == "conout$")
        return true;
    return part.size() == 4 && (part.starts_with("com") || part.starts_with("lpt")) &&
           part[3] >= '0' && part[3] <= '9';
}

template <typename T> bool Number(std::string_view text, T& value, int base = 10) {
    const auto [at, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc() && at == text.data() + text.size();
}

// The next word of `line`, taken off it.
std::string_view Word(std::string_view& line) {
    const std::size_t space = line.find(' ');
    const std::string_view word = line.substr(0, space);
    line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    return word;
}

int OtherVersion(int version) {
    return version == 100 ? 101 : 100;
}

} // namespace

void ContentHash::Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i)
        value_ = (value_ ^ bytes[i]) * 0x100000001b3ull;
}

std::string VersionName(int version) {
    return version == 100 ? "1.0.0" : "1.0.1";
}

std::vector<std::string> PathComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = path.find('\\', from)) != std::string::npos; from = at + 1)
        parts.push_back(path.substr(from, at - from));
    parts.push_back(path.substr(from));
    return parts;
}

bool IsStoreName(const std::string& relativePath) {
    if (relativePath.empty() || relativePath.size() > 259 ||
        relativePath.find_first_of("/:*?\"<>|") != std::string::npos ||
        std::any_of(relativePath.begin(), relativePath.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return false;
    for (const std::string& part : PathComponents(relativePath))
        if (part.empty() || part.back() == '.' || part.back() == ' ' || IsDeviceName(part))
            return false;
    return true;
}

bool IsStoreNote(const std::string& relativePath) {
    const std::string name = FoldCase(relativePath);
    return name == "readme-100.txt" || name == "readme-101.txt" ||
           name == "base\\readme-101-base.txt" || name == "readme-101-base.txt";
}

std::string FormatStoreRecord(const StoreRecord& record) {
    std::string text = std::string(kRecordHeader) + "\n";
    for (int version : record.taken)
        text += "taken " + std::to_string(version) + "\n";
    for (const StoreRecord::File& file : record.files) {
        char sum[17];
        std::snprintf(sum, sizeof sum, "%016llx",
                      static_cast<unsigned long long>(file.sum.checksum));
        text += "file " + (file.version ? std::to_string(file.version) : std::string("shared")) +
                " " + std::to_string(file.sum.size) + " " + sum + " " + file.name + "\n";
    }
    for (const std::string& name : record.only101)
        text += "only101 " + name + "\n";
    return text + kRecordEnd + "\n";
}

std::optional<StoreRecord> ParseStoreRecord(const std::string& text) {
    if (text.size() > kStoreRecordLimit)
        return std::nullopt;
    StoreRecord record;
    LineReader lines(text, kStoreLineLimit);
    if (lines.Next() != kRecordHeader)
        return std::nullopt;
    while (const std::optional<std::string_view> next = lines.Next()) {
        std::string_view line = *next;
        if (line == kRecordEnd)
            return lines.AtEnd() ? std::optional(record) : std::nullopt;
        const std::string_view word = Word(line);
        if (word == "taken") {
            int version = 0;
            if (!Number(line, version) || (version != 100 && version != 101) ||
                std::count(record.taken.begin(), record.taken.end(), version))
                return std::nullopt;
            record.taken.push_back(version);
        } else if (word == "file") {
            StoreRecord::File file;
            const std::string_view version = Word(line);
            if (version != "shared" &&
                (!Number(version, file.version) || (file.version != 100 && file.version != 101)))
                return std::nullopt;
            if (!Number(Word(line), file.sum.size) || !Number(Word(line), file.sum.checksum, 16))
                return std::nullopt;
            file.name = line;
            if (!IsStoreName(file.name))
                return std::nullopt;
            record.files.push_back(std::move(file));
        } else if (word == "only101" && IsStoreName(std::string(line))) {
            record.only101.emplace_back(line);
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

StoreReport InspectStore(IStoreFiles& files, const std::string& toolFolder) {
    StoreReport report;
    report.v100.version = 100;
    report.v101.version = 101;
    const std::string root = toolFolder + kStoreFolder;
    const auto problem = [&](std::string text) { report.problems.push_back(std::move(text)); };
    const FileState rootState = files.Stat(root);
    if (rootState.link)
        problem("The patch store " + Quoted(root) +
                " is a link. Quorin copies nothing through links: make it a real folder.");

    const std::string recordPath = root + "\\" + kStoreRecordName;
    if (!rootState.link && files.Stat(recordPath).exists) {
        const auto text = files.ReadText(recordPath, kStoreRecordLimit);
        report.record = text ? ParseStoreRecord(*text) : std::nullopt;
        if (!report.record)
            problem("The store's record " + Quoted(recordPath) +
                    " cannot be understood: it is damaged, or was not written by this version "
                    "of Quorin. Quorin has changed nothing; take the game's files again to "
                    "write it anew.");
    }

    std::map<int, std::vector<std::string>> held; // version -> its game files' names
    for (VersionReport* version : {&report.v100, &report.v101}) {
        const std::string folder = root + "\\" + std::to_string(version->version);
        const auto noFiles = [&](const std::string& path) {
            version->missing.push_back("The patch folder " + Quoted(path) +
                                       " holds none of the game's files.");
        };
        const FileState state = files.Stat(folder);
        if (state.link) {
            problem("The patch folder " + Quoted(folder) +
                    " is a link. Quorin copies no links: "
                    "put the files themselves there.");
            continue;
        }
        const auto listing = rootState.link ? std::nullopt : files.List(folder);
        if (!listing) {
            version->missing.push_back("The patch folder " + Quoted(folder) + " is missing.");
            continue;
        }
        version->present = true;
        std::map<std::string, std::string> seen; // folded name -> as found
        for (const FileEntry& entry : *listing) {
            const std::string path = folder + "\\" + entry.path;
            if (entry.state.link) {
                problem("The patch folder holds a link, " + Quoted(path) +
                        ". Quorin copies no links: put the files themselves there.");
                continue;
            }
            if (!IsStoreName(entry.path)) {
                problem(Quoted(path) + " has a name Quorin cannot copy.");
                continue;
            }
            const auto [twin, fresh] = seen.emplace(FoldCase(entry.path), entry.path);
            if (!fresh)
                problem(Quoted(folder + "\\" + twin->second) + " and " + Quoted(path) +
                        " are the same file twice, in different letter case. The game folder "
                        "can hold only one of them: remove the other.");
            if (entry.state.folder || IsStoreNote(entry.path))
                continue;
            if (files.Held(path))
                problem(Quoted(path) +
                        " is in use by another program. Close that program, then look again.");
            held[version->version].push_back(entry.path);
            ++version->files;
            version->bytes += entry.state.size;
        }
        if (!version->files)
            noFiles(folder);
        if (version->version == 101 && version->files) {
            const std::string base = folder + "\\base";
            const auto inBase =
                std::count_if(held[101].begin(), held[101].end(), [](const std::string& name) {
                    return FoldCase(name).starts_with("base\\");
                });
            if (!files.Stat(base).folder)
                version->missing.push_back("The patch folder " + Quoted(base) + " is missing.");
            else if (!inBase)
                noFiles(base);
        }
        const std::string client = folder + "\\" + kClientExecutable;
        if (const auto named = files.Stat(client).exists ? files.FileVersion(client) : std::nullopt;
            named && named->starts_with(VersionName(OtherVersion(version->version)) + "."))
            problem(Quoted(client) + " is the " + VersionName(OtherVersion(version->version)) +
                    " client (its version resource says " + *named + "): the folder holds the " +
                    "other version's files.");
    }

    // Going down, every file that 1.0.1 put into the game must be replaced,
    // or be one that only 1.0.1 has.
    if (report.v100.present && report.v101.present) {
        std::map<std::string, bool> in100;
        for (const std::string& name : held[100])
            in100[FoldCase(name)] = true;
        std::map<std::string, bool> only;
        only[FoldCase(kOnly101Name)] = true;
        if (report.record)
            for (const std::string& name : report.record->only101)
                only[FoldCase(name)] = true;
        std::string missing;
        std::size_t count = 0;
        for (const std::string& name : held[101])
            if (!in100.contains(FoldCase(name)) && !only.contains(FoldCase(name)) && ++count <= 5)
                missing += (missing.empty() ? "" : ", ") + name;
        if (count)
            report.v100.missing.push_back("The 1.0.0 patch folder lacks " + std::to_string(count) +
                                          " file(s) that the 1.0.1 files replace: " + missing +
                                          (count > 5 ? ", ..." : "") +
                                          ". Switching down would leave them behind.");
    }
    for (VersionReport* version : {&report.v100, &report.v101})
        version->complete = version->present && version->missing.empty();
    return report;
}

} // namespace quorin
