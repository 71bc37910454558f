// What a modem's service objects read through, over a bus link of its own: a
// report run's reader (a snapshot, each object read once per run) or the event
// thread's follower (read as asked). Below it, the calls both send.
#pragma once

#include "platform/modemmanager/mm_glib.h"

#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/modemmanager/glib_handles.h"
#include "platform/modemmanager/mm_bus_link.h"
#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_modem_object.h"

namespace paravue::mm {

// A modem's saved profiles as one List call gave them.
struct ProfileList {
    ErrorReading error{S_OK};  // the timeout status, or the daemon's or the bus's error
    std::vector<GObjectPtr<MM3gppProfile>> profiles;
};

class ModemReads {
  public:
    virtual ~ModemReads() = default;

    // The link the reads go over; every operation holds its Use.
    virtual BusLink& Link() = 0;

    // A SIM or bearer, read with one bounded Properties.GetAll; the
    // service-not-active status when the daemon does not serve it (any
    // more). Call inside a Use.
    virtual HRESULT ReadObject(GType type, const char* interface, const char* path,
                               GObjectPtr<GObject>* object) = 0;
    // The bearers the modem lists, in path order.
    HRESULT ReadBearers(MMModem* modem, std::vector<GObjectPtr<MMBearer>>* bearers);

    // The modem's saved profiles, listed with one bounded call (here, at
    // once). The modem must have a profile manager. Call inside a Use.
    virtual ProfileList ListProfiles(const ModemObject& modem);
};

// One object read with Properties.GetAll: what it is and where.
struct ObjectRead {
    GType type;
    const char* interface;
    std::string path;
};
// A modem's SIM (`sim`, when it has one) and bearers, to read.
std::vector<ObjectRead> ObjectsOf(const char* sim, const gchar* const* bearers);
// The same from the modem's proxy; its SIM only when `sim` is true.
std::vector<ObjectRead> ObjectsOf(const ModemObject& modem, bool sim);

// A plain Properties.GetAll to `owner`, the daemon's unique name, and the
// libmm-glib proxy made from its answer, holding what it said.
BusLink::AsyncStart StartRead(GDBusConnection* bus, const ObjectRead& read, std::string owner);
HRESULT FinishRead(GDBusConnection* bus, const ObjectRead& read, const std::string& owner,
                   BusLink::Answer answer, GObjectPtr<GObject>* object);
// Both, waited for. Call inside a Use.
HRESULT ReadNow(BusLink& link, const ObjectRead& read, const std::string& owner,
                GObjectPtr<GObject>* object);

BusLink::AsyncStart StartProfileList(MMModem3gppProfileManager* manager);
ProfileList FinishProfileList(MMModem3gppProfileManager* manager, BusLink::Answer answer);

}  // namespace paravue::mm
