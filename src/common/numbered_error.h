// An error that carries a number as well as its description, for callers
// that tell errors apart by number.
#pragma once

#include <stdexcept>
#include <string>

namespace quorin {

class NumberedError : public std::runtime_error {
  public:
    NumberedError(long number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    long Number() const { return number_; }

  private:
    long number_;
};

} // namespace quorin
