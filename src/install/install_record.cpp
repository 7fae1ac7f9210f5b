#include "install/install_record.h"

#include "common/versions.h"

namespace quorin {

bool InstallRecord::GameKeyExists() const {
    return registry_.RegistryKeyExists(kHkeyLocalMachine, kGameBaseKey);
}

void InstallRecord::LoadInstallInfo() {
    installPath_.clear();
    registry_.EnumRegistryValues(kHkeyLocalMachine, kGameVersionKey)
        .ForEach([&](const RegistryEntry& entry) {
            if (entry.name == kInstallPathValue)
                installPath_ = registry_.PathText(TextForm(entry.data));
        });
}

bool InstallRecord::HasMarker() const {
    return registry_.GetRawValue(kHkeyLocalMachine, kGameVersionKey, kMagicValue).has_value();
}

std::string InstallRecord::ReadMagic() const {
    try {
        return TextForm(registry_.GetRegistryValue(kHkeyLocalMachine, kGameVersionKey, kMagicValue,
                                                   std::string()));
    } catch (const RegistryError&) {
        // A marker of a type the registry operations cannot convert reads
        // like an absent one, as 1.0.1, rather than ending the tool.
        return {};
    }
}

bool InstallRecord::WriteMagic(std::int32_t magic) const {
    return registry_.SetRegistryValue(kHkeyLocalMachine, kGameVersionKey, kMagicValue, magic);
}

std::optional<std::uint32_t> InstallRecord::SaveMagic() const {
    const auto raw = registry_.GetRawValue(kHkeyLocalMachine, kGameVersionKey, kMagicValue);
    if (!raw)
        return std::nullopt;
    if (raw->type == kRegDword && raw->bytes.size() == 4)
        return static_cast<std::uint32_t>(raw->bytes[0] | raw->bytes[1] << 8 | raw->bytes[2] << 16 |
                                          static_cast<std::uint32_t>(raw->bytes[3]) << 24);
    return ClientVersionFromMagic(ReadMagic()) == kVersion100 ? kMagic100 : kMagic101;
}

bool InstallRecord::RestoreMagic(const std::optional<std::uint32_t>& saved) const {
    if (!saved)
        return registry_.DeleteRegistryValue(kHkeyLocalMachine, kGameVersionKey, kMagicValue);
    return WriteMagic(static_cast<std::int32_t>(*saved));
}

std::string_view ClientVersionFromMagic(std::string_view magicText) {
    return magicText == "0" ? kVersion100 : kVersion101;
}

} // namespace quorin
