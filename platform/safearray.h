// One-dimensional SAFEARRAYs of interface pointers, BSTRs or the two Mobile
// Broadband records. Whoever gets an array owns it and destroys it; fetching an
// element hands the caller a copy it owns.
#pragma once

#include "platform/com.h"

struct SAFEARRAY;  // opaque

enum class SafeArrayKind { Unknown, Bstr, MbnContext, MbnProvider };

// Creates an array of `count` empty elements whose indexes start at
// `lowerBound`. Null when memory runs out.
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
// Sets an element out-parameter of `kind` to null or a record of zeros; frees
// nothing.
void SafeArrayClearElement(SafeArrayKind kind, void* element);

namespace paravue {

// How a reader reaches an array the service handed it: the SAFEARRAY calls,
// with the same arguments and results, passing the installed routes (an
// interception layer) first.
HRESULT ArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound);
HRESULT ArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound);
HRESULT ArrayGetElement(SAFEARRAY* array, const LONG* index, void* element);
HRESULT ArrayDestroy(SAFEARRAY* array);  // UniqueSafeArray gives arrays back through it

// Where the calls above go. A route handles the arrays it knows and hands the
// others to the route that was installed before it.
class ArrayRoute {
  public:
    virtual HRESULT LowerBound(SAFEARRAY* array, LONG* lowerBound) = 0;
    virtual HRESULT UpperBound(SAFEARRAY* array, LONG* upperBound) = 0;
    virtual HRESULT Element(SAFEARRAY* array, LONG index, void* element) = 0;
    virtual void Destroyed(SAFEARRAY* array) = 0;

  protected:
    ~ArrayRoute() = default;
};

// Routes stack up: the newest gets the calls first. Install and remove them
// while no array call runs; they may go in any order.
void InstallArrayRoute(ArrayRoute* route);
void RemoveArrayRoute(ArrayRoute* route);
// The route installed before `route`, or null for the plain calls.
ArrayRoute* ArrayRouteBelow(ArrayRoute* route);

using UniqueSafeArray = UniqueHandle<SAFEARRAY*, ArrayDestroy>;

}  // namespace paravue
