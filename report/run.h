// One report run in the making: the text it writes, its run status, the
// objects it holds from start to common end, and the few moves every section
// is made of.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com.h"
#include "platform/mbn.h"
#include "platform/safearray.h"
#include "report/modems.h"
#include "report/report_text.h"

namespace paravue {

// Thrown once a failure that ends the run has written its line; the run's
// frame catches it and goes to the common end.
struct RunEnded {};

using FailureLine = report_format::Format<HRESULT>;
using Line = report_format::Format<>;

// The inclusive bounds of an array's only dimension.
struct Bounds {
    LONG lower = 0;
    LONG upper = 0;
};

// How a walk over an array writes what goes wrong and what it finds.
struct WalkRules {
    FailureLine lowerBoundFailure;  // a bound that cannot be read ends the run
    FailureLine upperBoundFailure;
    Line empty = {};  // appended for an array without elements; may be empty
    // A failed element fetch: with a line, that line is appended and the walk
    // stops; without one, the element is skipped.
    FailureLine fetchFailure = {};
    bool recordFetch = false;  // whether each fetch sets the run status
};

class Run {
  public:
    explicit Run(ReportText& text) : text(text) {}
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Stores a call's result in the run status and hands it back.
    HRESULT Record(HRESULT result) { return status = result; }
    // Records `result`; a failure appends `failureLine` with it (nothing when
    // that is empty) and ends the run.
    void Check(HRESULT result, FailureLine failureLine);
    // Appends `line` and ends the run.
    [[noreturn]] void End(Line line);

    // The only place a run reads array bounds and elements. Both bound queries
    // go through Check.
    Bounds ReadBounds(SAFEARRAY* array, FailureLine lowerFailure, FailureLine upperFailure);
    HRESULT FetchElement(SAFEARRAY* array, LONG index, void* element);

    // Reads the bounds, then fetches each element, lower bound first, into a
    // fresh Element and hands it to `visit`; the element goes once visited.
    template <class Element, class Visit>
    void Walk(SAFEARRAY* array, const WalkRules& rules, Visit&& visit) {
        const Bounds bounds = ReadBounds(array, rules.lowerBoundFailure, rules.upperBoundFailure);
        if (bounds.lower > bounds.upper && !rules.empty.Text().empty())
            text.Append(rules.empty);
        // A 64-bit index: an upper bound at the top of the 32-bit range must end the loop.
        for (std::int64_t i = bounds.lower; i <= bounds.upper; ++i) {
            Element element;
            const HRESULT hr = FetchElement(array, static_cast<LONG>(i), Slot(element));
            if (rules.recordFetch)
                Record(hr);
            if (FAILED(hr)) {
                if (rules.fetchFailure.Text().empty())
                    continue;
                text.Append(rules.fetchFailure, hr);
                return;
            }
            visit(element);
        }
    }

    ReportText& text;
    // Result of the last call that records one; decides the final line.
    HRESULT status = S_OK;
    ModemChoice choice;
    std::int32_t modemCount = 0;  // as discovery counted them
    bool modemMissing = false;    // the chosen interface was not there: no report

    // Declared in the order the run acquires them, so that destroying the run
    // releases them in reverse order: at the common end, and equally on the
    // way out when memory runs out.
    ComPtr<IMbnInterfaceManager> interfaceManager;
    ComPtr<IMbnInterface> selectedInterface;
    std::u16string description;
    ComPtr<IMbnSubscriberInformation> subscriber;
    ComPtr<IMbnSignal> signal;
    ComPtr<IMbnRegistration> registration;
    ComPtr<IMbnConnectionContext> connectionContext;
    ComPtr<IMbnRadio> radio;
    ComPtr<IMbnConnection> connection;
    ComPtr<IMbnConnectionManager> connectionManager;
    ComPtr<IMbnConnectionProfileManager> connectionProfileManager;

  private:
    static void* Slot(UniqueBstr& element) { return element.Put(); }
    template <class T>
    static void* Slot(ComPtr<T>& element) {
        return element.PutVoid();
    }
    template <class Record>
    static void* Slot(OwnedRecord<Record>& element) {
        return element.Put();
    }
};

// The service's interface list as discovery reads it.
struct InterfaceList {
    UniqueSafeArray array;
    Bounds bounds;
    std::int32_t count = 0;
};

// The steps that discovery shares with the listing of the modems, each with
// its failure line: creating the run's interface manager; the list (no
// interface ends the run with the no-device line); the interface at a
// position; its ID; its capabilities.
void CreateInterfaceManager(Run& run);
InterfaceList ListInterfaces(Run& run);
ComPtr<IMbnInterface> FetchInterface(Run& run, const InterfaceList& list, std::int32_t position);
UniqueBstr ReadInterfaceId(Run& run, IMbnInterface& mbn);
void ReadCapabilities(Run& run, IMbnInterface& mbn, OwnedRecord<MBN_INTERFACE_CAPS>& caps);

// The sections, in the order a run walks them; each ends the run by throwing
// RunEnded.
void ReportDiscovery(Run& run);
void ReportCapabilities(Run& run);
void ReportSubscriber(Run& run);
void ReportSignal(Run& run);
void ReportRegistration(Run& run);
void ReportConnectionContexts(Run& run);
void ReportRadio(Run& run);
void ReportHomeProvider(Run& run);
void ReportReadiness(Run& run);
void ReportConnection(Run& run);
void ReportPreferredProviders(Run& run);
void ReportConnections(Run& run);
void ReportProfiles(Run& run);

}  // namespace paravue
