// Why the system's service ended a report run on a failure, or served part of
// it from a fallback, where the service can tell. For the person running the
// program, beside the report: the report's text itself never changes for it.
#pragma once

#include <mutex>

namespace paravue {

enum class RunCause : unsigned {
    SystemBusUnreachable,      // no connection to the system bus
    ModemManagerNotRunning,    // nobody owns the daemon's name
    ModemManagerNotAnswering,  // a call to the daemon ran out of its bound
    ProfileListRefused,        // refused to this caller: contexts from the bearers
    NetworkManagerNotRunning,  // hence no connection profiles
};

// A set of causes, each noted once.
class RunCauses {
  public:
    void Add(RunCause cause) { bits_ |= Bit(cause); }
    bool Has(RunCause cause) const { return (bits_ & Bit(cause)) != 0; }
    bool Empty() const { return bits_ == 0; }

  private:
    static unsigned Bit(RunCause cause) { return 1u << static_cast<unsigned>(cause); }
    unsigned bits_ = 0;
};

// The causes of the run in progress, or of the last one: noted by the
// service's objects on whichever thread runs the report, read after it.
class RunNotes {
  public:
    void Clear() {
        std::lock_guard lock(mutex_);
        causes_ = {};
    }
    void Note(RunCause cause) {
        std::lock_guard lock(mutex_);
        causes_.Add(cause);
    }
    RunCauses Causes() const {
        std::lock_guard lock(mutex_);
        return causes_;
    }

  private:
    mutable std::mutex mutex_;
    RunCauses causes_;
};

}  // namespace paravue
