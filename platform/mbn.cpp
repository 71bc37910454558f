#include "platform/mbn.h"

#include <utility>

namespace paravue {
namespace {

void Free(BSTR& text) {
    SysFreeString(std::exchange(text, nullptr));
}
template <class T>
void Free(T&) {}

// A fresh copy of a string that may be null, unless an earlier one failed;
// false when memory runs out. Other fields are copied as they are.
bool Copy(BSTR source, BSTR* copy, bool copied) {
    *copy = source && copied ? AllocBstr(BstrView(source)) : nullptr;
    return copied && (!source || *copy);
}
template <class T>
bool Copy(const T& source, T* copy, bool copied) {
    *copy = source;
    return copied;
}

}  // namespace

#define PARAVUE_FREE_FIELD(Out, Type, field, text) Free(record.field);
#define PARAVUE_COPY_FIELD(Out, Type, field, text) \
    copied = Copy(source.field, &copy->field, copied);
#define PARAVUE_RECORD_FUNCTIONS(Record, Name, FIELDS)                               \
    void ClearRecord(Record& record){FIELDS(PARAVUE_FREE_FIELD)} HRESULT CopyRecord( \
        const Record& source, Record* copy) {                                        \
        bool copied = true;                                                          \
        FIELDS(PARAVUE_COPY_FIELD)                                                   \
        if (copied)                                                                  \
            return S_OK;                                                             \
        ClearRecord(*copy);                                                          \
        return E_OUTOFMEMORY;                                                        \
    }
PARAVUE_MBN_RECORDS(PARAVUE_RECORD_FUNCTIONS)

}  // namespace paravue
