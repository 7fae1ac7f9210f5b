// The tool's own value kinds, and their conversion from and to the
// registry's typed byte data.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace quorin {

using ByteArray = std::vector<std::uint8_t>;

// A value as the registry operations take and give it. Reads give only
// empty, 32-bit integer, text or byte array; a write accepts a 16-bit integer
// as well and refuses every other kind.
using Value = std::variant<std::monostate, std::int32_t, std::string, ByteArray, std::int16_t, bool,
                           std::uint8_t, double>;

// Kind codes as the enumeration reports them.
inline constexpr int kKindEmpty = 0;
inline constexpr int kKindInteger16 = 2;
inline constexpr int kKindInteger32 = 3;
inline constexpr int kKindDouble = 5;
inline constexpr int kKindText = 8;
inline constexpr int kKindBoolean = 11;
inline constexpr int kKindByte = 17;
inline constexpr int kKindByteArray = 8209;

int KindCode(const Value& value);

inline constexpr int kErrUnsupportedValueType = 1001;

// The one error of the registry operations: 1001 "Unsupported value type".
class RegistryError : public std::runtime_error {
  public:
    RegistryError() : std::runtime_error("Unsupported value type") {}
    int Number() const { return kErrUnsupportedValueType; }
};

// Converts `data` (exactly the size the registry reported) of registry type
// `type`. Throws RegistryError for a type without a conversion.
Value FromRegistryData(std::uint32_t type, std::span<const std::uint8_t> data);

struct RegistryData {
    std::uint32_t type;
    ByteArray bytes;
    bool operator==(const RegistryData&) const = default;
};

// How a value is stored. Throws RegistryError for a kind that cannot be.
RegistryData ToRegistryData(const Value& value);

// The text form of a value: text as stored, a number as its decimal digits
// (with "-" when negative); empty for anything else.
std::string TextForm(const Value& value);

} // namespace quorin
