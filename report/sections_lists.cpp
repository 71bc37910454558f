// The lists: preferred providers, every connection the connection manager
// knows, and the connection profiles of the selected interface.
#include "platform/runtime.h"
#include "report/run.h"

namespace paravue {

// A device without the list ("not supported") or with a list cut short by a
// failed fetch still goes on to the connections.
void ReportPreferredProviders(Run& run) {
    UniqueSafeArray providers;
    const HRESULT hr = run.Record(run.selectedInterface->GetPreferredProviders(providers.Put()));
    if (hr == HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)) {
        run.text.Append(u"Preferred Provider                 Not supported\r\n");
        return;
    }
    run.Check(hr, u"Unable to get prefered provider information. Error Code: 0x%x\r\n");
    ReportText& text = run.text;
    run.Walk<OwnedRecord<MBN_PROVIDER>>(
        providers.Get(),
        {.lowerBoundFailure =
             u"Unexpected error when retrieving lower bound of safearray of preferred providers. Error Code: 0x%x\r\n",
         .upperBoundFailure =
             u"Unexpected error when retrieving upper bound of safearray of preferred providers. Error Code: 0x%x\r\n",
         .empty = u"Preferred Provider                 Nothing found\r\n",
         .fetchFailure =
             u"Unexpected error when retrieving preferred provider from the safearray. Error Code: 0x%x\r\n"},
        [&](OwnedRecord<MBN_PROVIDER>& provider) {
            text.Append(u"Preferred Provider ID              %s\r\n", provider->providerID);
            text.Append(u"Preferred Provider Name            %s\r\n", provider->providerName);
            text.Append(u"Preferred Provider State           %ld\r\n", provider->providerState);
            text.AppendProviderStateList(provider->providerState);
            text.Append(u"Preferred provider Data Class      %ld\r\n", provider->dataClass);
            text.AppendDataClassList(provider->dataClass);
        });
}

// Every connection gets its line, whichever interface it belongs to; one that
// cannot be fetched or has no ID gets none, and neither failure is recorded.
void ReportConnections(Run& run) {
    run.Check(CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                               IID_IMbnConnectionManager, run.connectionManager.PutVoid()),
              u"Unable to create connection manager instance. Error Code: 0x%x\r\n");
    UniqueSafeArray connections;
    run.Check(run.connectionManager->GetConnections(connections.Put()),
              u"Unable to retieve connection information. Error Code: 0x%x\r\n");
    run.Walk<ComPtr<IMbnConnection>>(
        connections.Get(),
        {.lowerBoundFailure =
             u"Unexpected error when retrieving lower bound of safearray of connections. Error Code: 0x%x\r\n",
         .upperBoundFailure =
             u"Unexpected error when retrieving upper bound of safearray of connection. Error Code: 0x%x\r\n"},
        [&](ComPtr<IMbnConnection>& connection) {
            UniqueBstr id;
            if (SUCCEEDED(connection->get_ConnectionID(id.Put())))
                run.text.Append(u"Connection ID                      %s\r\n", id.Get());
        });
}

// A profile that cannot be fetched or read gets no line but its status is
// recorded: only a last profile read with exactly S_OK lets the run complete.
void ReportProfiles(Run& run) {
    run.Check(
        CoCreateInstance(CLSID_MbnConnectionProfileManager, nullptr, CLSCTX_ALL,
                         IID_IMbnConnectionProfileManager, run.connectionProfileManager.PutVoid()),
        u"Unable to create the connection profile manager instance. Error Code: 0x%x\r\n");
    UniqueSafeArray profiles;
    run.Check(run.connectionProfileManager->GetConnectionProfiles(run.selectedInterface.Get(),
                                                                  profiles.Put()),
              u"Unable to get connection profile information. Error Code: 0x%x\r\n");
    run.Walk<ComPtr<IMbnConnectionProfile>>(
        profiles.Get(),
        {.lowerBoundFailure =
             u"Unexpected error when retrieving lower bound of safearray of connection profiles. Error Code: 0x%x\r\n",
         .upperBoundFailure =
             u"Unexpected error when retrieving upper bound of safearray of connection profiles. Error Code: 0x%x\r\n",
         .empty = u"Profiles                           Nothing Found\r\n",
         .recordFetch = true},
        [&](ComPtr<IMbnConnectionProfile>& profile) {
            UniqueBstr xml;
            if (SUCCEEDED(run.Record(profile->GetProfileXmlData(xml.Put()))))
                run.text.Append(u"Profiles                           %s\r\n", xml.Get());
        });
}

}  // namespace paravue
