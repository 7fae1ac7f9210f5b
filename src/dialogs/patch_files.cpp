#include "dialogs/patch_files.h"

namespace quorin {

namespace {

std::string Size(std::uint64_t bytes) {
    if (bytes < (1 << 20))
        return std::to_string((bytes + 1023) / 1024) + " KB";
    const std::uint64_t tenths = (bytes * 10 + (1 << 19)) >> 20;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

std::string Joined(const std::vector<std::string>& texts, std::size_t most) {
    std::string out;
    for (std::size_t i = 0; i < texts.size() && i < most; ++i)
        out += (out.empty() ? "" : " ") + texts[i];
    if (texts.size() > most)
        out += " (and " + std::to_string(texts.size() - most) + " more)";
    return out;
}

} // namespace

std::string VersionText(const VersionReport& version) {
    if (!version.files) // missing, or without a game file
        return Joined(version.missing, 2);
    const std::string held = std::to_string(version.files) + " file(s), " + Size(version.bytes);
    if (version.complete)
        return "Complete for a switch: " + held + ".";
    return "Not complete for a switch (" + held + "). " + Joined(version.missing, 2);
}

std::string ChecksText(const StoreReport& report) {
    if (report.problems.empty())
        return "The checks found nothing in the store that stands in the way of a switch.";
    return "Before any switch: " + Joined(report.problems, 3);
}

std::string ProgressText(const TakeProgress& progress) {
    const auto percent =
        progress.total ? std::to_string(progress.done * 100 / progress.total) + "%" : "...";
    return (progress.copying ? "Copying into the store: " : "Reading the game's files: ") + percent;
}

std::string TakeButtonText(std::optional<int> version) {
    return version ? "&Take this game's files as " + VersionName(*version)
                   : "&Take this game's files";
}

} // namespace quorin
