// The least a report run on ModemManager can cost, for the whole-process
// benchmark (scripts/bench-modemmanager.sh): a client that connects, lists
// the daemon's objects and sends the first modem's SIM and bearer reads, its
// profile list and NetworkManager's ListConnections together, as a report
// run's reader does and with the reader's own link and listing, waits for
// the answers and hangs up. It makes no proxy and writes no report, so its
// time is the libraries, the bus and the daemon: what no report run can go
// below. With --listing-only it leaves once the listing is in, as `mmcli -m 0`
// asks the daemon nothing else: the difference is what the report's four
// reads cost. Exit status 0 when the daemon answered every call, 1 otherwise.
#include "platform/modemmanager/mm_run_reader.h"

#include <cstring>

using namespace paravue::mm;

int main(int argc, char** argv) {
    const bool listingOnly = argc > 1 && std::strcmp(argv[1], "--listing-only") == 0;
    BusLink link(GMainContextPtr(g_main_context_new()), {}, nullptr);
    if (FAILED(link.Connect()))
        return 1;
    BusLink::Use use(link);
    const ObjectListing listing = ListObjects(link);
    if (FAILED(listing.status) || listing.modems.empty())
        return 1;
    if (listingOnly)
        return 0;

    GDBusConnection* bus = link.Connection();
    const ListedModem& first = listing.modems.front();
    BusLink::Batch batch(link);
    for (const ObjectRead& read : first.Objects())
        batch.Start(StartRead(bus, read, listing.owner));
    // The reader lists profiles through the modem's proxy; the same call.
    batch.Start([&](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
        g_dbus_connection_call(bus, listing.owner.c_str(), first.path.c_str(),
                               MM_DBUS_INTERFACE_MODEM_MODEM3GPP_PROFILEMANAGER, "List", nullptr,
                               nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT, cancellable,
                               done, data);
    });
    batch.Start(ListingConnections(bus));
    std::vector<BusLink::Answer> answers = batch.Collect();
    NmListing saved = FinishListingConnections(bus, std::move(answers.back()));
    answers.pop_back();
    // NetworkManager may be absent: the bus answers for it.
    bool failed = FAILED(saved.status) || (!saved.reply && !NetworkManagerAbsent(saved));
    for (BusLink::Answer& answer : answers) {
        GVariantPtr reply(SUCCEEDED(answer.status)
                              ? g_dbus_connection_call_finish(bus, answer.result.get(), nullptr)
                              : nullptr);
        failed = failed || !reply;
    }
    return failed ? 1 : 0;
}
