// One-dimensional SAFEARRAYs of interface pointers, BSTRs or the two Mobile
// Broadband records. Whoever gets an array owns it and destroys it; fetching an
// element hands the caller a copy it owns.
#pragma once

#include "platform/com.h"

struct SAFEARRAY;  // opaque

enum class SafeArrayKind { Unknown, Bstr, MbnContext, MbnProvider };

// Creates an array of `count` empty elements whose indexes start at `lowerBound`.
// Null when memory runs out.
SAFEARRAY* SafeArrayCreateVector(SafeArrayKind kind, LONG lowerBound, ULONG count);
HRESULT SafeArrayDestroy(SAFEARRAY* array);  // null is allowed
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound);
// Copies the element out: an interface gets a reference of its own, a BSTR is
// duplicated, a record gets fresh copies of its strings.
HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* index, void* element);
// Copies `element` in, replacing (and releasing) what the slot held.
HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* index, const void* element);
SafeArrayKind SafeArrayGetKind(SAFEARRAY* array);

namespace paravue {

// Destroys an array a reader was handed (see platform/array_calls.h).
HRESULT ArrayDestroy(SAFEARRAY* array);

using UniqueSafeArray = UniqueHandle<SAFEARRAY*, ArrayDestroy>;

}  // namespace paravue
