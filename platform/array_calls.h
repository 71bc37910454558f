// How a reader reaches an array the service handed it: the bound queries and
// element fetches of SAFEARRAY, with the same arguments and results. While an
// interception layer is installed it sees these calls (and may answer them);
// otherwise they are the plain SAFEARRAY functions.
#pragma once

#include "platform/safearray.h"

namespace paravue {

HRESULT ArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* lowerBound);
HRESULT ArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* upperBound);
HRESULT ArrayGetElement(SAFEARRAY* array, const LONG* index, void* element);
// ArrayDestroy (safearray.h) is the fourth: UniqueSafeArray gives arrays back through it.

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

}  // namespace paravue
