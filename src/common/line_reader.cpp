#include "common/line_reader.h"

namespace quorin {

std::optional<std::string_view> LineReader::Next() {
    if (broken_ || AtEnd())
        return std::nullopt;
    const std::size_t end = text_.find('\n', from_);
    if (end == std::string_view::npos) {
        broken_ = true;
        return std::nullopt;
    }
    std::string_view line = text_.substr(from_, end - from_);
    from_ = end + 1;
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    if (line.size() > limit_) {
        broken_ = true;
        return std::nullopt;
    }
    return line;
}

} // namespace quorin
