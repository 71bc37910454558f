#include "platform/safearray.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/accounting.h"
#include "platform/bstr.h"
#include "platform/mbn.h"

namespace {

// The elements, by SafeArrayKind. Interface slots store the pointer of the
// interface readers expect, each holding one reference.
using Elements = std::variant<std::vector<IUnknown*>, std::vector<BSTR>, std::vector<MBN_CONTEXT>,
                              std::vector<MBN_PROVIDER>>;

// What a slot holds, freed; an element copied to be held on its own, or
// E_OUTOFMEMORY (and nothing held).
void Free(IUnknown* value) {
    if (value)
        value->Release();
}
void Free(BSTR value) {
    SysFreeString(value);
}
template <class Record>
requires std::is_class_v<Record>
void Free(Record& record) {
    paravue::ClearRecord(record);
}

HRESULT Copy(IUnknown* source, IUnknown** copy) {
    *copy = paravue::ComPtr<IUnknown>::Share(source).Detach();
    return S_OK;
}
HRESULT Copy(BSTR source, BSTR* copy) {
    *copy = source ? paravue::AllocBstr(paravue::BstrView(source)) : nullptr;
    return !source || *copy ? S_OK : E_OUTOFMEMORY;
}

// A record with fresh strings, field by field: once a string could not be
// copied, the later ones stay null and those copied are freed again.
HRESULT CopyField(BSTR source, BSTR* copy, HRESULT sofar) {
    *copy = nullptr;
    return FAILED(sofar) ? sofar : Copy(source, copy);
}
template <class T>
HRESULT CopyField(const T& source, T* copy, HRESULT sofar) {
    *copy = source;
    return sofar;
}
#define PARAVUE_COPY_FIELD(Out, Type, field, text) hr = CopyField(source.field, &copy->field, hr);
#define PARAVUE_COPY_RECORD(Record, Name, FIELDS)                       \
    [[maybe_unused]] HRESULT Copy(const Record& source, Record* copy) { \
        HRESULT hr = S_OK;                                              \
        FIELDS(PARAVUE_COPY_FIELD)                                      \
        if (FAILED(hr))                                                 \
            paravue::ClearRecord(*copy);                                \
        return hr;                                                      \
    }
PARAVUE_MBN_RECORDS(PARAVUE_COPY_RECORD)

}  // namespace

struct SAFEARRAY {
    LONG lowerBound;
    Elements elements;

    std::size_t Count() const {
        return std::visit([](const auto& items) { return items.size(); }, elements);
    }
};

namespace {

// Checks the arguments every element call takes, then calls `use` on the slot
// of `index`.
template <class Use>
HRESULT AtSlot(SAFEARRAY* array, const LONG* index, const void* element, Use&& use) {
    if (!array || !index || !element)
        return E_INVALIDARG;
    std::int64_t offset = std::int64_t{*index} - array->lowerBound;
    if (offset < 0 || offset >= static_cast<std::int64_t>(array->Count()))
        return DISP_E_BADINDEX;
    return std::visit([&](auto& items) { return use(items[static_cast<std::size_t>(offset)]); },
                      array->elements);
}

// The bound queries: of the one dimension there is, numbered 1.
HRESULT GetBound(SAFEARRAY* array, UINT dimension, LONG* bound, bool upper) {
    if (!array || !bound)
        return E_INVALIDARG;
    if (dimension != 1)
        return DISP_E_BADINDEX;
    *bound = upper ? static_cast<LONG>(std::int64_t{array->lowerBound} +
                                       static_cast<std::int64_t>(array->Count()) - 1)
                   : array->lowerBound;
    return S_OK;
}

// By SafeArrayKind.
const Elements kEmpty[] = {std::vector<IUnknown*>(), std::vector<BSTR>(),
                           std::vector<MBN_CONTEXT>(), std::vector<MBN_PROVIDER>()};

}  // namespace

SAFEARRAY* SafeArrayCreateVector(SafeArrayKind kind, LONG lowerBound, ULONG count) {
    try {
        auto array = std::make_unique<SAFEARRAY>();
        array->lowerBound = lowerBound;
        array->elements = kEmpty[static_cast<std::size_t>(kind)];
        // Value-initialised: null pointers, records with every field zero.
        std::visit([&](auto& items) { items.resize(count); }, array->elements);
        paravue::CountLive(paravue::Counted::SafeArrays, +1);
        return array.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array)
        return S_OK;
    std::unique_ptr<SAFEARRAY> owned(array);
    std::visit(
        [](auto& items) {
            for (auto& item : items)
                Free(item);
        },
        owned->elements);
    paravue::CountLive(paravue::Counted::SafeArrays, -1);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound) {
    return GetBound(array, dimension, lowerBound, false);
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound) {
    return GetBound(array, dimension, upperBound, true);
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* index, void* element) {
    return AtSlot(array, index, element,
                  [&]<class T>(T& item) { return Copy(item, static_cast<T*>(element)); });
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* index, const void* element) {
    return AtSlot(array, index, element, [&]<class T>(T& item) {
        T copy;
        if (HRESULT hr = Copy(*static_cast<const T*>(element), &copy); FAILED(hr))
            return hr;
        Free(item);
        item = copy;
        return S_OK;
    });
}

SafeArrayKind SafeArrayGetKind(SAFEARRAY* array) {
    return static_cast<SafeArrayKind>(array->elements.index());
}

void SafeArrayClearElement(SafeArrayKind kind, void* element) {
    std::visit([&]<class T>(const std::vector<T>&) { *static_cast<T*>(element) = T{}; },
               kEmpty[static_cast<std::size_t>(kind)]);
}

namespace paravue {
namespace {

// Constant-initialised, so ready before any code that could install a route.
constinit std::mutex g_routesMutex;
constinit std::vector<ArrayRoute*> g_routes;  // newest last

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
    std::lock_guard lock(g_routesMutex);
    g_routes.push_back(route);
    g_route.store(route);
}

void RemoveArrayRoute(ArrayRoute* route) {
    std::lock_guard lock(g_routesMutex);
    std::erase(g_routes, route);
    g_route.store(g_routes.empty() ? nullptr : g_routes.back());
}

ArrayRoute* ArrayRouteBelow(ArrayRoute* route) {
    std::lock_guard lock(g_routesMutex);
    auto at = std::find(g_routes.begin(), g_routes.end(), route);
    return at == g_routes.begin() || at == g_routes.end() ? nullptr : *(at - 1);
}

}  // namespace paravue
