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
    std::string text = report.problems.empty()
                           ? "The checks found nothing in the store that stands in the way of a "
                             "switch."
                           : "Before any switch: " + Joined(report.problems, 3);
    if (!report.record || report.record->only101.empty())
        return text;
    // What a switch down removes besides "base\assets3.pk3", as the record says.
    const auto& only = report.record->only101;
    text += " The store's record names " + std::to_string(only.size()) +
            " file(s) that only 1.0.1 has, which a switch down removes:";
    for (std::size_t i = 0; i < only.size() && i < 3; ++i)
        text += (i ? ", " : " ") + only[i];
    return text + (only.size() > 3 ? ", ..." : "") + ".";
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
