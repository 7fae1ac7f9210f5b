#include "install/registry_value.h"

#include "install/registry_api.h"

namespace quorin {

namespace {

std::string BytesAsText(std::span<const std::uint8_t> data, std::size_t dropped) {
    // Data too short for its terminator reads as empty text.
    if (data.size() < dropped)
        return {};
    return std::string(reinterpret_cast<const char*>(data.data()), data.size() - dropped);
}

void AppendLittleEndian(ByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

int KindCode(const Value& value) {
    return std::visit(
        [](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return kKindEmpty;
            else if constexpr (std::is_same_v<T, std::int32_t>)
                return kKindInteger32;
            else if constexpr (std::is_same_v<T, std::string>)
                return kKindText;
            else if constexpr (std::is_same_v<T, ByteArray>)
                return kKindByteArray;
            else if constexpr (std::is_same_v<T, std::int16_t>)
                return kKindInteger16;
            else if constexpr (std::is_same_v<T, bool>)
                return kKindBoolean;
            else if constexpr (std::is_same_v<T, std::uint8_t>)
                return kKindByte;
            else {
                static_assert(std::is_same_v<T, double>);
                return kKindDouble;
            }
        },
        value);
}

Value FromRegistryData(std::uint32_t type, std::span<const std::uint8_t> data) {
    switch (type) {
    case kRegSz:
    case kRegExpandSz: // environment references stay unexpanded
        return BytesAsText(data, 1);
    case kRegMultiSz: // the strings with their zero separators, closing pair dropped
        return BytesAsText(data, 2);
    case kRegBinary:
        return ByteArray(data.begin(), data.end());
    case kRegDword: {
        // Least significant byte first; missing bytes read as the zeros of
        // the fresh buffer they would have come from.
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
            v |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        return static_cast<std::int32_t>(v);
    }
    default:
        throw RegistryError();
    }
}

RegistryData ToRegistryData(const Value& value) {
    RegistryData out{};
    if (const auto* i32 = std::get_if<std::int32_t>(&value)) {
        out.type = kRegDword;
        AppendLittleEndian(out.bytes, static_cast<std::uint32_t>(*i32));
    } else if (const auto* i16 = std::get_if<std::int16_t>(&value)) {
        out.type = kRegDword;
        AppendLittleEndian(out.bytes, static_cast<std::uint32_t>(static_cast<std::int32_t>(*i16)));
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        out.type = kRegSz;
        out.bytes.assign(text->begin(), text->end());
        out.bytes.push_back(0);
    } else if (const auto* bytes = std::get_if<ByteArray>(&value)) {
        out.type = kRegBinary;
        out.bytes = *bytes;
    } else {
        throw RegistryError();
    }
    return out;
}

std::string TextForm(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* i32 = std::get_if<std::int32_t>(&value))
        return std::to_string(*i32);
    if (const auto* i16 = std::get_if<std::int16_t>(&value))
        return std::to_string(*i16);
    return {};
}

} // namespace quorin
