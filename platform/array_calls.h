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

// Installs `route` and returns the one it replaces (null: the plain calls).
// Routes are installed and removed last-in first-out, while no array call runs.
ArrayRoute* InstallArrayRoute(ArrayRoute* route);
void RemoveArrayRoute(ArrayRoute* route, ArrayRoute* previous);

}  // namespace paravue
