#include "platform/modemmanager/mm_bearers.h"

#include "platform/modemmanager/mm_errors.h"

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
    // Without the daemon the proxies start anyway, empty.
    for (auto& bearer : *bearers) {
        GCharPtr owner(g_dbus_proxy_get_name_owner(G_DBUS_PROXY(bearer.get())));
        if (!owner)
            return kServiceNotActive;
    }
    return S_OK;
}

}  // namespace paravue::mm
