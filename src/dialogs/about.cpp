#include "dialogs/about.h"

namespace quorin {

std::string AboutVersionLine() {
    return "Version: " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

} // namespace quorin
