#include "platform/modemmanager/mm_run_reader.h"

#include <algorithm>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_object.h"

namespace paravue::mm {

std::vector<ObjectRead> ListedModem::Objects(bool withSim) const {
    const gchar* sim = nullptr;
    if (withSim)
        g_variant_lookup(modem.get(), "Sim", "&o", &sim);
    const gchar** bearers = nullptr;
    g_variant_lookup(modem.get(), "Bearers", "^a&o", &bearers);
    const std::unique_ptr<const gchar*, GFreeDeleter> owned(bearers);
    return ObjectsOf(sim, bearers);
}

ObjectListing ListObjects(BusLink& link, const std::function<void()>& meanwhile) {
    // A plain GetManagedObjects rather than libmm-glib's object manager: a run
    // waits for no signal, and the manager would cost a name-owner look-up and
    // three match rules before it lists anything. The reply's sender is the
    // daemon's unique name.
    GDBusConnection* bus = link.Connection();
    BusLink::Answer answer;
    {
        BusLink::Batch listing(link);
        listing.Start([bus](GCancellable* cancellable, GAsyncReadyCallback done, gpointer data) {
            GObjectPtr<GDBusMessage> call(g_dbus_message_new_method_call(
                MM_DBUS_SERVICE, MM_DBUS_PATH, "org.freedesktop.DBus.ObjectManager",
                "GetManagedObjects"));
            g_dbus_message_set_flags(call.get(), G_DBUS_MESSAGE_FLAGS_NO_AUTO_START);
            g_dbus_connection_send_message_with_reply(bus, call.get(),
                                                      G_DBUS_SEND_MESSAGE_FLAGS_NONE, -1, nullptr,
                                                      cancellable, done, data);
        });
        if (meanwhile)
            meanwhile();
        answer = listing.CollectOne();
    }
    ObjectListing listed{answer.status, {}, {}};
    if (FAILED(listed.status))
        return listed;
    ErrorSlot error;
    GObjectPtr<GDBusMessage> reply(
        g_dbus_connection_send_message_with_reply_finish(bus, answer.result.get(), error.Put()));
    if (!reply || g_dbus_message_to_gerror(reply.get(), error.Put())) {
        listed.status = StatusFromError(error.Take().get());
        return listed;
    }
    GVariant* body = g_dbus_message_get_body(reply.get());
    const char* owner = g_dbus_message_get_sender(reply.get());
    if (!owner || !body || !g_variant_is_of_type(body, G_VARIANT_TYPE("(a{oa{sa{sv}}})"))) {
        listed.status = E_MBN_FAILURE;
        return listed;
    }
    listed.owner = owner;
    GVariantPtr objects(g_variant_get_child_value(body, 0));
    GVariantIter iter;
    g_variant_iter_init(&iter, objects.get());
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        GVariantPtr owned(interfaces);
        GVariantPtr modem(
            g_variant_lookup_value(interfaces, MM_DBUS_INTERFACE_MODEM, G_VARIANT_TYPE_VARDICT));
        if (modem)
            listed.modems.push_back({path, std::move(owned), std::move(modem)});
    }
    std::ranges::stable_sort(listed.modems, {},
                             [](const ListedModem& m) { return ModemPathNumber(m.path); });
    return listed;
}

// A modem's reads, sent together and collected when the report first needs
// one of them.
struct RunReader::PendingReads {
    PendingReads(BusLink& link, std::string path) : modem(std::move(path)), batch(link) {}
    void Read(GDBusConnection* bus, ObjectRead read, const std::string& owner) {
        objects.push_back(std::move(read));
        batch.Start(StartRead(bus, objects.back(), owner));
    }
    void ListProfiles(MMModem3gppProfileManager* manager) {
        profiles = ShareGObject(manager);
        batch.Start(StartProfileList(manager));
    }

    std::string modem;
    std::vector<ObjectRead> objects;                 // in the order they were sent
    GObjectPtr<MMModem3gppProfileManager> profiles;  // its List was sent last
    BusLink::Batch batch;
};

RunReader::RunReader(const ServiceOptions& options, std::shared_ptr<RunNotes> notes,
                     const RunPlan& plan)
    : link_(GMainContextPtr(g_main_context_new()), options, nullptr),
      notes_(std::move(notes)),
      plan_(plan) {}

HRESULT RunReader::Open(Listing listing) {
    if (HRESULT hr = link_.Connect(); FAILED(hr)) {
        if (hr == CO_E_SERVER_EXEC_FAILURE)
            Note(RunCause::SystemBusUnreachable);
        return hr;
    }
    if (listing == Listing::AtOpen) {
        BusLink::Use use(link_);
        List();
    }
    return S_OK;
}

RunReader::~RunReader() {
    BusLink::Use use(link_);
    // Reads nobody collected are cancelled and waited for: their callbacks
    // run on the link's context and write into the batches.
    pending_.clear();
    savedConnections_.reset();
    read_.clear();
    modems_.clear();
}

// A report reads its modem's SIM, bearers and profile list and NetworkManager's
// saved connections; the metrics read every modem's bearers (for its connection
// state) and nothing else the listing lacks; a listing reads nothing more. The
// position is the modem's place in the listing: one whose proxies cannot be
// made would shift the rest, which costs a read, never a wrong answer.
bool RunReader::Planned(std::size_t position) const {
    switch (plan_.reads) {
        case RunPlan::Reads::Report:
            return plan_.position >= 0 && position == static_cast<std::size_t>(plan_.position);
        case RunPlan::Reads::States:
            return true;
        case RunPlan::Reads::Listing:
            break;
    }
    return false;
}

void RunReader::List() {
    listed_ = true;
    // libmm-glib's proxy classes are set up while the daemon answers.
    ObjectListing listing = ListObjects(link_, PrepareProxyClasses);
    listStatus_ = listing.status;
    owner_ = std::move(listing.owner);
    // Sent now, the plan's reads are answered while the modems' proxies are
    // made and the run's first lines are written, instead of one wait each
    // later; all modems' together.
    const bool report = plan_.reads == RunPlan::Reads::Report;
    for (std::size_t i = 0; i < listing.modems.size(); ++i)
        if (Planned(i))
            StartReads(listing.modems[i].path, listing.modems[i].Objects(report));
    SendSavedConnections();
    GDBusConnection* bus = link_.Connection();
    for (const ListedModem& entry : listing.modems)
        if (ModemRef modem =
                ModemFromListing(bus, owner_.c_str(), entry.path.c_str(), entry.interfaces.get()))
            modems_.push_back(std::move(modem));
    SendProfileLists();
    // A run's report ends at the listing when it failed: say why, for the
    // daemon's two failures a person can act on.
    if (listStatus_ == kServiceNotActive)
        Note(RunCause::ModemManagerNotRunning);
    NoteTimeout(listStatus_);
}

void RunReader::Continue(const RunPlan& plan) {
    BusLink::Use use(link_);
    plan_ = plan;
    if (!use.Ok() || owner_.empty())
        return;
    const bool report = plan_.reads == RunPlan::Reads::Report;
    for (std::size_t i = 0; i < modems_.size(); ++i)
        if (Planned(i))
            StartReads(modems_[i]->path, ObjectsOf(*modems_[i], report));
    SendSavedConnections();
    SendProfileLists();
}

void RunReader::SendSavedConnections() {
    if (plan_.reads != RunPlan::Reads::Report || pending_.empty() || savedConnections_)
        return;
    savedConnections_ = std::make_unique<BusLink::Batch>(link_);
    savedConnections_->Start(ListingConnections(link_.Connection()));
}

void RunReader::SendProfileLists() {
    if (plan_.reads != RunPlan::Reads::Report)
        return;
    for (const ModemRef& modem : modems_)
        for (const std::unique_ptr<PendingReads>& reads : pending_)
            if (reads->modem == modem->path && modem->profiles && !reads->profiles)
                reads->ListProfiles(modem->profiles.get());
}

HRESULT RunReader::Modems(std::vector<ModemRef>* modems) {
    modems->clear();
    if (!listed_)
        List();
    if (FAILED(listStatus_))
        return listStatus_;
    *modems = modems_;
    return S_OK;
}

const ModemObject* RunReader::ModemHolding(const char* path) const {
    for (const ModemRef& modem : modems_)
        for (const ObjectRead& read : ObjectsOf(*modem, true))
            if (read.path == path)
                return modem.get();
    return nullptr;
}

RunReader::PendingReads* RunReader::StartReads(const std::string& modem,
                                               std::vector<ObjectRead> objects) {
    if (std::find(readAhead_.begin(), readAhead_.end(), modem) != readAhead_.end())
        return nullptr;
    readAhead_.push_back(modem);
    auto& reads = pending_.emplace_back(std::make_unique<PendingReads>(link_, modem));
    for (ObjectRead& read : objects)
        if (!read_.count(read.path))
            reads->Read(link_.Connection(), std::move(read), owner_);
    return reads.get();
}

void RunReader::CollectReads(PendingReads& reads) {
    std::vector<BusLink::Answer> answers = reads.batch.Collect();
    // Every result is finished here: an unfinished one would keep what its
    // call allocated.
    for (std::size_t i = 0; i < reads.objects.size(); ++i) {
        const ObjectRead& read = reads.objects[i];
        GObjectPtr<GObject> proxy;
        if (HRESULT hr =
                FinishRead(link_.Connection(), read, owner_, std::move(answers[i]), &proxy);
            FAILED(hr))
            failedReads_[read.path] = hr;
        else
            read_.emplace(read.path, std::move(proxy));
    }
    if (reads.profiles)
        lists_[reads.modem] = FinishProfileList(reads.profiles.get(), std::move(answers.back()));
}

void RunReader::ReadAhead(const ModemObject& modem) {
    if (owner_.empty())
        return;
    // Sent now unless the listing sent them.
    PendingReads* started = StartReads(modem.path, ObjectsOf(modem, true));
    if (started && modem.profiles)
        started->ListProfiles(modem.profiles.get());
    auto sent = std::find_if(pending_.begin(), pending_.end(),
                             [&](const auto& reads) { return reads->modem == modem.path; });
    if (sent == pending_.end())
        return;  // collected already
    std::unique_ptr<PendingReads> reads = std::move(*sent);
    pending_.erase(sent);
    CollectReads(*reads);
}

HRESULT RunReader::ReadObject(GType type, const char* interface, const char* path,
                              GObjectPtr<GObject>* object) {
    object->reset();
    if (const ModemObject* modem = ModemHolding(path))
        ReadAhead(*modem);
    HRESULT status = S_OK;
    if (auto known = read_.find(path); known != read_.end()) {
        *object = ShareGObject(known->second.get());
    } else if (auto failed = failedReads_.find(path); failed != failedReads_.end()) {
        // A failed read-ahead stands for this read; the next one asks again.
        status = failed->second;
        failedReads_.erase(failed);
    } else if (owner_.empty()) {
        status = kServiceNotActive;
    } else {
        status = ReadNow(link_, {type, interface, path}, owner_, object);
        if (SUCCEEDED(status))
            read_.emplace(path, ShareGObject(object->get()));
    }
    NoteTimeout(status);
    return status;
}

ProfileList RunReader::ListProfiles(const ModemObject& modem) {
    ReadAhead(modem);
    ProfileList listed;
    if (auto ahead = lists_.find(modem.path); ahead != lists_.end()) {
        listed = std::move(ahead->second);
        lists_.erase(ahead);
    } else {
        listed = ModemReads::ListProfiles(modem);
    }
    if (listed.error.refusesCaller)
        Note(RunCause::ProfileListRefused);
    NoteTimeout(listed.error.status);
    return listed;
}

void RunReader::NoteTimeout(HRESULT status) const {
    if (status == kTimeout)
        Note(RunCause::ModemManagerNotAnswering);
}

NmListing RunReader::ListSavedConnections() {
    std::unique_ptr<BusLink::Batch> early = std::move(savedConnections_);
    GDBusConnection* bus = link_.Connection();
    return FinishListingConnections(
        bus, early ? early->CollectOne() : link_.Await(ListingConnections(bus)));
}

}  // namespace paravue::mm
