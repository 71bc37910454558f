#include "platform/array_calls.h"

#include <atomic>

namespace paravue {
namespace {

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

ArrayRoute* InstallArrayRoute(ArrayRoute* route) {
    return g_route.exchange(route);
}

void RemoveArrayRoute(ArrayRoute* route, ArrayRoute* previous) {
    ArrayRoute* expected = route;
    g_route.compare_exchange_strong(expected, previous);
}

}  // namespace paravue
