#include "platform/safearray.h"

#include <memory>
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
    if (source)
        source->AddRef();
    *copy = source;
    return S_OK;
}
HRESULT Copy(BSTR source, BSTR* copy) {
    *copy = source ? paravue::AllocBstr(paravue::BstrView(source)) : nullptr;
    return !source || *copy ? S_OK : E_OUTOFMEMORY;
}
template <class Record>
requires std::is_class_v<Record> HRESULT Copy(const Record& source, Record* copy) {
    return paravue::CopyRecord(source, copy);
}

}  // namespace

struct SAFEARRAY {
    LONG lowerBound;
    Elements elements;

    std::size_t Count() const {
        return std::visit([](const auto& items) { return items.size(); }, elements);
    }
};

namespace {

// Checks the arguments every element call takes and finds the slot of `index`.
HRESULT SlotOf(SAFEARRAY* array, const LONG* index, const void* element, std::size_t* slot) {
    if (!array || !index || !element)
        return E_INVALIDARG;
    std::int64_t offset = std::int64_t{*index} - array->lowerBound;
    if (offset < 0 || offset >= static_cast<std::int64_t>(array->Count()))
        return DISP_E_BADINDEX;
    *slot = static_cast<std::size_t>(offset);
    return S_OK;
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

}  // namespace

SAFEARRAY* SafeArrayCreateVector(SafeArrayKind kind, LONG lowerBound, ULONG count) {
    static const Elements kEmpty[] = {std::vector<IUnknown*>(), std::vector<BSTR>(),
                                      std::vector<MBN_CONTEXT>(), std::vector<MBN_PROVIDER>()};
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
    std::size_t slot;
    if (HRESULT hr = SlotOf(array, index, element, &slot); FAILED(hr))
        return hr;
    return std::visit(
        [&](auto& items) {
            using T = typename std::decay_t<decltype(items)>::value_type;
            return Copy(items[slot], static_cast<T*>(element));
        },
        array->elements);
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* index, const void* element) {
    std::size_t slot;
    if (HRESULT hr = SlotOf(array, index, element, &slot); FAILED(hr))
        return hr;
    return std::visit(
        [&](auto& items) {
            using T = typename std::decay_t<decltype(items)>::value_type;
            T copy;
            if (HRESULT hr = Copy(*static_cast<const T*>(element), &copy); FAILED(hr))
                return hr;
            Free(items[slot]);
            items[slot] = copy;
            return S_OK;
        },
        array->elements);
}

SafeArrayKind SafeArrayGetKind(SAFEARRAY* array) {
    return static_cast<SafeArrayKind>(array->elements.index());
}
