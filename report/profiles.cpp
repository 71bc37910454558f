// Connection profiles: the complete XML text of every profile of the
// selected interface.
#include <cstdint>

#include "platform/array_calls.h"
#include "platform/bstr.h"
#include "platform/runtime.h"
#include "platform/safearray.h"
#include "report/report_text.h"
#include "report/sections.h"

namespace paravue {

// A profile that cannot be fetched or read gets no line but its status is
// recorded: only a last profile read with exactly S_OK lets the run complete.
Next ReportProfiles(RunState& run) {
    HRESULT hr = run.Record(CoCreateInstance(CLSID_MbnConnectionProfileManager, nullptr, CLSCTX_ALL,
                                             IID_IMbnConnectionProfileManager,
                                             run.connectionProfileManager.PutVoid()));
    if (FAILED(hr)) {
        AppendReport(
            u"Unable to create the connection profile manager instance. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    UniqueSafeArray profiles;
    hr = run.Record(run.connectionProfileManager->GetConnectionProfiles(run.selectedInterface.Get(),
                                                                        profiles.Put()));
    if (FAILED(hr)) {
        AppendReport(u"Unable to get connection profile information. Error Code: 0x%x\r\n", hr);
        return Next::EndRun;
    }
    LONG lower = 0;
    LONG upper = 0;
    hr = run.Record(ArrayGetLBound(profiles.Get(), 1, &lower));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving lower bound of safearray of connection profiles. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    hr = run.Record(ArrayGetUBound(profiles.Get(), 1, &upper));
    if (FAILED(hr)) {
        AppendReport(
            u"Unexpected error when retrieving upper bound of safearray of connection profiles. "
            u"Error Code: 0x%x\r\n",
            hr);
        return Next::EndRun;
    }
    if (lower > upper)
        AppendReport(u"Profiles                           Nothing Found\r\n");

    for (std::int64_t i = lower; i <= upper; ++i) {
        const LONG index = static_cast<LONG>(i);
        ComPtr<IMbnConnectionProfile> profile;
        if (FAILED(run.Record(ArrayGetElement(profiles.Get(), &index, profile.PutVoid()))))
            continue;
        UniqueBstr xml;
        if (FAILED(run.Record(profile->GetProfileXmlData(xml.Put()))))
            continue;
        AppendReport(u"Profiles                           %s\r\n", xml.Get());
    }
    return Next::Continue;
}

}  // namespace paravue
