#include "platform/modemmanager/mm_bearers.h"

#include <algorithm>

#include <algorithm>

#include "platform/modemmanager/mm_errors.h"
#include "platform/modemmanager/mm_mapping.h"
#include "platform/modemmanager/mm_modem_facts.h"

namespace paravue::mm {

HRESULT ListBearers(Session& session, MMObject* object,
                    std::vector<GObjectPtr<MMBearer>>* bearers) {
    bearers->clear();
    MMModem* modem = mm_object_peek_modem(object);
    if (!modem)
        return E_MBN_FAILURE;
    // No bearer paths: nothing to ask the daemon for.
    const gchar* const* paths = mm_modem_get_bearer_paths(modem);
    if (!paths || !*paths)
        return S_OK;
    GObjectPtr<GAsyncResult> result;
    HRESULT hr =
        session.Await([&](GCancellable* cancellable, GAsyncReadyCallback done,
                          gpointer data) { mm_modem_list_bearers(modem, cancellable, done, data); },
                      &result);
    if (FAILED(hr))
        return hr;
    ErrorSlot error;
    GList* list = mm_modem_list_bearers_finish(modem, result.get(), error.Put());
    if (!list) {
        GErrorPtr failure = error.Take();
        return failure ? StatusFromError(failure.get()) : S_OK;
    }
    for (GList* item = list; item; item = item->next)
        bearers->emplace_back(MM_BEARER(item->data));  // takes the list's reference
    g_list_free(list);
    for (auto& bearer : *bearers)
        if (!ProxyLoaded(bearer.get()))
            return kServiceNotActive;
    // The list comes in no particular order; bearers are numbered by it.
    std::stable_sort(bearers->begin(), bearers->end(), [](const auto& a, const auto& b) {
        return ModemPathNumber(mm_bearer_get_path(a.get())) <
               ModemPathNumber(mm_bearer_get_path(b.get()));
    });
    return S_OK;
}

}  // namespace paravue::mm
