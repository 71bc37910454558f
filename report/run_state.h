// What one report run holds from start to common end. The members are declared
// in the order the run acquires them, so destroying the state releases them in
// reverse order of acquisition: at the common end, and equally on the way out
// when an append runs out of memory.
#pragma once

#include <string>

#include "platform/com.h"
#include "platform/mbn.h"
#include "report/report_text.h"

namespace paravue {

struct RunState {
    explicit RunState(ReportText& text) : text(text) {}

    ReportText& text;
    // Result of the last call that records one; decides the final line.
    HRESULT status = S_OK;

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

    // Stores a call's result in the run status and hands it back.
    HRESULT Record(HRESULT result) {
        status = result;
        return result;
    }
};

// What a section leaves for the run: go on with the next one, or end here.
enum class Next { Continue, EndRun };

}  // namespace paravue
