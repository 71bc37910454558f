#include "platform/array_calls.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace paravue {
namespace {

struct Routes {
    std::mutex mutex;
    std::vector<ArrayRoute*> stack;  // newest last
};

Routes& TheRoutes() {
    static Routes routes;
    return routes;
}

// The newest route, read without the lock on the way of every array call.
std::atomic<ArrayRoute*> g_route{nullptr};

}  // namespace

HRESULT ArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound) {
    ArrayRoute* route = g_route.load();
    if (!route || !array || !lowerBound || dimension != 1)
        return SafeArrayGetLBound(array, dimension, lowerBound);
    return route->LowerBound(array, lowerBound);
}

HRESULT ArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound) {
    ArrayRoute* route = g_route.load();
    if (!route || !array || !upperBound || dimension != 1)
        return SafeArrayGetUBound(array, dimension, upperBound);
    return route->UpperBound(array, upperBound);
}

HRESULT ArrayGetElement(SAFEARRAY* array, const LONG* index, void* element) {
    ArrayRoute* route = g_route.load();
    if (!route || !array || !index || !element)
        return SafeArrayGetElement(array, index, element);
    return route->Element(array, *index, element);
}

HRESULT ArrayDestroy(SAFEARRAY* array) {
    if (ArrayRoute* route = g_route.load(); route && array)
        route->Destroyed(array);
    return SafeArrayDestroy(array);
}

void InstallArrayRoute(ArrayRoute* route) {
    Routes& routes = TheRoutes();
    std::lock_guard lock(routes.mutex);
    routes.stack.push_back(route);
    g_route.store(route);
}

void RemoveArrayRoute(ArrayRoute* route) {
    Routes& routes = TheRoutes();
    std::lock_guard lock(routes.mutex);
    std::erase(routes.stack, route);
    g_route.store(routes.stack.empty() ? nullptr : routes.stack.back());
}

ArrayRoute* ArrayRouteBelow(ArrayRoute* route) {
    Routes& routes = TheRoutes();
    std::lock_guard lock(routes.mutex);
    auto at = std::find(routes.stack.begin(), routes.stack.end(), route);
    return at == routes.stack.begin() || at == routes.stack.end() ? nullptr : *(at - 1);
}

}  // namespace paravue
