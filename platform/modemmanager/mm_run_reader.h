// A report run's conversation with ModemManager: a private main context and bus
// connection, the objects listed once and each SIM and bearer read at most
// once, so that every manager of the run sees the same device; the next run
// reads anew.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/modemmanager/mm_modem_reads.h"
#include "platform/modemmanager/mm_text.h"
#include "platform/modemmanager/nm_profiles.h"
#include "platform/service_choice.h"

namespace paravue::mm {

// One modem of the daemon's object listing, as the daemon sent it.
struct ListedModem {
    std::string path;
    GVariantPtr interfaces;  // "a{sa{sv}}"
    GVariantPtr modem;       // the Modem interface's properties
    // Its SIM (unless `sim` is false) and bearers.
    std::vector<ObjectRead> Objects(bool sim = true) const;
};
// The daemon's objects as one GetManagedObjects lists them: its unique name,
// which every later call goes to, and its modems in order of their path
// number. `meanwhile` runs while the daemon answers. Call inside a Use.
struct ObjectListing {
    HRESULT status = S_OK;
    std::string owner;
    std::vector<ListedModem> modems;
};
ObjectListing ListObjects(BusLink& link, const std::function<void()>& meanwhile = {});

class RunReader final : public ModemReads {
  public:
    // The reader notes in `notes` why the run failed or fell back, where it
    // can tell. With the listing, it sends what `plan` says the run will read.
    RunReader(const ServiceOptions& options, std::shared_ptr<RunNotes> notes, const RunPlan& plan);
    // Lists the daemon's objects at Open, or when Modems() first asks.
    enum class Listing { AtOpen, OnFirstUse };
    // Connects to the bus: CO_E_SERVER_EXEC_FAILURE when it cannot be reached.
    // An absent or silent daemon is no failure here: Modems() says so.
    HRESULT Open(Listing listing);
    // A new run on what this reader listed: sends what `plan` says it will
    // read and was not read yet.
    void Continue(const RunPlan& plan);
    ~RunReader() override;

    BusLink& Link() override { return link_; }
    // The daemon's modems in order of their object-path number: S_OK (maybe
    // none), the service-not-active status when nobody owns the daemon's
    // name, or why its objects could not be listed. Call inside a Use.
    HRESULT Modems(std::vector<ModemRef>* modems);
    HRESULT ReadObject(GType type, const char* interface, const char* path,
                       GObjectPtr<GObject>* object) override;
    // A refusal to this caller (rather than to the modem's state) is noted.
    ProfileList ListProfiles(const ModemObject& modem) override;
    // NetworkManager's answer to ListConnections; a report's was sent with its
    // modem's reads. Call inside a Use.
    NmListing ListSavedConnections();
    void Note(RunCause cause) const {
        if (notes_)
            notes_->Note(cause);
    }

  private:
    struct PendingReads;
    void List();                               // and notes why a failed listing failed
    bool Planned(std::size_t position) const;  // the plan reads the modem at `position`
    // For a report's planned modem: NetworkManager's saved connections, and
    // the modem's profile list once its proxies are made.
    void SendSavedConnections();
    void SendProfileLists();
    const ModemObject* ModemHolding(const char* path) const;
    // Sends a modem's reads, once per run: null when they were sent before.
    PendingReads* StartReads(const std::string& modem, std::vector<ObjectRead> objects);
    void CollectReads(PendingReads& reads);
    void ReadAhead(const ModemObject& modem);
    void NoteTimeout(HRESULT status) const;

    BusLink link_;  // first, so that it goes last
    const std::shared_ptr<RunNotes> notes_;
    RunPlan plan_;
    bool listed_ = false;
    HRESULT listStatus_ = S_OK;
    // The run's snapshot: the daemon's unique name, its modems, what was read.
    std::string owner_;
    std::vector<ModemRef> modems_;
    std::map<std::string, GObjectPtr<GObject>> read_;
    // What a modem's read-ahead brought that nobody has taken yet, each taken
    // once as if read then: a failed SIM or bearer read by object path, the
    // profile list by its modem's path. Objects read go to read_.
    std::map<std::string, HRESULT> failedReads_;
    std::map<std::string, ProfileList> lists_;
    std::vector<std::string> readAhead_;                  // modems whose reads were started
    std::vector<std::unique_ptr<PendingReads>> pending_;  // the plan's, sent with the listing
    std::unique_ptr<BusLink::Batch> savedConnections_;    // NetworkManager's, likewise
};

// One service object per modem the reader lists, in modem order, as an array of
// `Interface`; `none` (unless S_OK) when there is no modem.
template <class Object, class Interface>
HRESULT ModemObjectArray(const std::shared_ptr<RunReader>& reader, HRESULT none, SAFEARRAY** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return InUse(reader->Link(), [&] {
        std::vector<ModemRef> modems;
        if (HRESULT hr = reader->Modems(&modems); FAILED(hr))
            return hr;
        if (modems.empty() && none != S_OK)
            return none;
        return InterfaceArray<Interface>(modems.size(), out, [&](std::size_t i) {
            return MakeComObject<Object>(reader, std::move(modems[i]));
        });
    });
}

}  // namespace paravue::mm
