#include "platform/modemmanager/mm_bearers.h"

#include <algorithm>
#include <string>

#include "platform/modemmanager/mm_mapping.h"

namespace paravue::mm {

HRESULT ListBearers(ModemReads& reads, MMModem* modem, std::vector<GObjectPtr<MMBearer>>* bearers) {
    bearers->clear();
    // The modem's Bearers property names them; the bearers are numbered in
    // path order, whatever order the daemon lists them in.
    std::vector<std::string> paths;
    if (const gchar* const* listed = mm_modem_get_bearer_paths(modem))
        for (; *listed; ++listed)
            paths.emplace_back(*listed);
    std::stable_sort(paths.begin(), paths.end(), [](const auto& a, const auto& b) {
        return ModemPathNumber(a) < ModemPathNumber(b);
    });
    for (const std::string& path : paths) {
        GObjectPtr<MMBearer> bearer;
        if (HRESULT hr = reads.ReadBearer(path.c_str(), &bearer); FAILED(hr)) {
            bearers->clear();
            return hr;
        }
        bearers->push_back(std::move(bearer));
    }
    return S_OK;
}

}  // namespace paravue::mm
