// Reads the text files Quorin writes for itself (the switch's journal, the
// patch store's record) a line at a time. Each line ends in "\n", or in
// "\r\n" once an editor has saved the file again; a last line without its
// "\n" means the file was cut short, and a line longer than the limit means
// the file is not one of Quorin's. Every other byte, a NUL too, is the
// line's own, for the reader's caller to judge.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace quorin {

class LineReader {
  public:
    // `text` must outlive the reader and the lines it gives.
    LineReader(std::string_view text, std::size_t lineLimit) : text_(text), limit_(lineLimit) {}

    // The next line without its line end; empty at the end of the text, and
    // from a line cut short or too long on.
    std::optional<std::string_view> Next();
    // True once every line has been taken.
    bool AtEnd() const { return from_ == text_.size(); }

  private:
    std::string_view text_;
    std::size_t limit_;
    std::size_t from_ = 0;
    bool broken_ = false;
};

} // namespace quorin
