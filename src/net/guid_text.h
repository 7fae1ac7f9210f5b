// GUIDs as text, in the braced upper-case form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace quorin {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

// Reads the 16 bytes of a GUID as a record stores them (little-endian parts).
Guid GuidFromBytes(std::span<const std::uint8_t, 16> bytes);

// The 38-character text, made here.
std::string FormatGuid(const Guid& guid);

// Who turns a GUID into text: the platform's own formatter, or FormatGuid.
class IGuidText {
  public:
    virtual ~IGuidText() = default;
    // Empty text when the conversion fails.
    virtual std::string GuidToString(const Guid& guid) = 0;
};

class PortableGuidText : public IGuidText {
  public:
    std::string GuidToString(const Guid& guid) override { return FormatGuid(guid); }
};

} // namespace quorin
