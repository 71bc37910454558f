#include "report/run.h"

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
    Check(SafeArrayGetLBound(array, 1, &bounds.lower), lowerFailure);
    Check(SafeArrayGetUBound(array, 1, &bounds.upper), upperFailure);
    return bounds;
}

HRESULT Run::FetchElement(SAFEARRAY* array, LONG index, void* element) {
    return SafeArrayGetElement(array, &index, element);
}

}  // namespace paravue
