#include "platform/mbn.h"

#include <utility>

namespace paravue {
namespace {

void Free(BSTR& text) {
    SysFreeString(std::exchange(text, nullptr));
}
template <class T>
void Free(T&) {}

}  // namespace

#define PARAVUE_FREE_FIELD(Out, Type, field, text) Free(record.field);
#define PARAVUE_CLEAR_RECORD(Record, Name, FIELDS) \
    void ClearRecord(Record& record) {             \
        FIELDS(PARAVUE_FREE_FIELD)                 \
    }
PARAVUE_MBN_RECORDS(PARAVUE_CLEAR_RECORD)

}  // namespace paravue
