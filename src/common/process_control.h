// The end of the process, behind an interface so that tests can see it asked for.
#pragma once

namespace quorin {

class IProcessControl {
  public:
    virtual ~IProcessControl() = default;
    // Ends the process at once (in tests: records that it would have).
    virtual void EndProcess() = 0;
};

} // namespace quorin
