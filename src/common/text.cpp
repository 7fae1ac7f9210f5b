#include "common/keyed_collection.h"

namespace quorin {

namespace {
// ASCII folding only: keys are ANSI bytes and must not depend on the locale.
char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

std::string FoldCase(std::string text) {
    for (char& c : text)
        c = Fold(c);
    return text;
}

} // namespace quorin
