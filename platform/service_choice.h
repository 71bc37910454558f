// Which Mobile Broadband service a program talks to: a scenario's simulated
// service, or the system's own. Shared by the window and paravue-report.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace paravue {

// Why the system's service ended a report run on a failure, or served part of
// it from a fallback, where it can tell: shown beside the report, whose text
// never changes for it.
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
    RunCauses() = default;
    void Add(RunCause cause) { bits_ |= Bit(cause); }
    bool Has(RunCause cause) const { return (bits_ & Bit(cause)) != 0; }

  private:
    friend class RunNotes;
    explicit RunCauses(unsigned bits) : bits_(bits) {}
    static unsigned Bit(RunCause cause) { return 1u << static_cast<unsigned>(cause); }
    unsigned bits_ = 0;
};

// The causes of the run in progress, or of the last one: noted by the
// service's objects on whichever thread runs the report, read after it.
class RunNotes {
  public:
    void Clear() { bits_ = 0; }
    void Note(RunCause cause) { bits_ |= RunCauses::Bit(cause); }
    RunCauses Causes() const { return RunCauses(bits_.load()); }

  private:
    std::atomic<unsigned> bits_{0};
};

// What the coming runs will ask for, so that a service that sends its reads
// ahead sends the right ones. A hint only: a run that asks for something else
// still gets it, one wait later.
struct RunPlan {
    enum class Reads {
        Report,   // one modem's report, its profiles and the saved connections
        Listing,  // the modems' IDs and capabilities, nothing more
        States,   // every modem's state (metrics): no profiles, no saved connections
    };
    Reads reads = Reads::Report;
    std::int32_t position = 0;  // Report: the modem's position in the service's list
    // Listing: the next run reports on a modem this listing chose, and may take
    // the modems as this run found them instead of asking again.
    bool reportFollows = false;
};

// Keeps the chosen service's classes registered while it lives.
class ActiveService {
  public:
    virtual ~ActiveService() = default;
    // Replaces the plan of the runs to come; until then, a report on the
    // first modem. A service that reads nothing ahead ignores it.
    virtual void PlanRuns(const RunPlan&) {}
    // What the service knows of why its last report run failed or fell back;
    // nothing for a service that cannot tell (a scenario's).
    virtual RunCauses LastRunCauses() const { return {}; }
};

// The chosen service cannot be used; the message says why (for a bad scenario:
// the file, the place and what is wrong).
class ServiceUnavailable : public std::runtime_error {
  public:
    enum class Cause {
        BadScenario,  // the scenario file the user chose
        CannotStart,  // the service itself (no memory, no thread)
    };
    ServiceUnavailable(Cause cause, const std::string& message)
        : std::runtime_error(message), cause_(cause) {}
    Cause WhatCause() const { return cause_; }

  private:
    Cause cause_;
};

// The scenario at `scenarioPath`, else the one the environment variable
// PARAVUE_SCENARIO names (when set and not empty), else the system's service.
// Throws ServiceUnavailable.
std::unique_ptr<ActiveService> StartService(const std::optional<std::string>& scenarioPath);

// The system's own service. The build links one:
// system_service_modemmanager.cpp, or system_service_none.cpp where there is
// none.
std::unique_ptr<ActiveService> StartSystemService();

}  // namespace paravue
