#include "report/run.h"

#include "platform/safearray.h"

namespace paravue {

void Run::Check(HRESULT result, FailureLine failureLine) {
    if (SUCCEEDED(Record(result)))
        return;
    if (!failureLine.Text().empty())
        text.Append(failureLine, result);
    throw RunEnded{};
}

void Run::End(Line line) {
    text.Append(line);
    throw RunEnded{};
}

Bounds Run::ReadBounds(SAFEARRAY* array, FailureLine lowerFailure, FailureLine upperFailure) {
    Bounds bounds;
    Check(ArrayGetLBound(array, 1, &bounds.lower), lowerFailure);
    Check(ArrayGetUBound(array, 1, &bounds.upper), upperFailure);
    return bounds;
}

HRESULT Run::FetchElement(SAFEARRAY* array, LONG index, void* element) {
    return ArrayGetElement(array, &index, element);
}

}  // namespace paravue
