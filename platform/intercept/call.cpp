#include "platform/intercept/call.h"

namespace paravue::intercept {

std::string CallName(const Call& call) {
    auto onArray = [&](const char* function) {
        return std::string(function) + "(" + std::string(ArrayName(call.array.value_or(call.op))) +
               ")";
    };
    switch (call.op) {
        case Op::CreateInterfaceManager:
            return "CoCreateInstance(MbnInterfaceManager)";
        case Op::CreateConnectionManager:
            return "CoCreateInstance(MbnConnectionManager)";
        case Op::CreateConnectionProfileManager:
            return "CoCreateInstance(MbnConnectionProfileManager)";
        case Op::ArrayLowerBound:
            return onArray("SafeArrayGetLBound");
        case Op::ArrayUpperBound:
            return onArray("SafeArrayGetUBound");
        case Op::ArrayElement:
            return onArray("SafeArrayGetElement");
#define PARAVUE_CALL_NAME(kind, Interface, Name, Out, ...) \
    case Op::Name:                                         \
        return PARAVUE_CALL_NAME_##kind(Interface, Name, Out);
#define PARAVUE_CALL_NAME_VALUE(Interface, Name, Out) #Interface "::" #Name
#define PARAVUE_CALL_NAME_ARRAY PARAVUE_CALL_NAME_VALUE
#define PARAVUE_CALL_NAME_PART PARAVUE_CALL_NAME_VALUE
#define PARAVUE_CALL_NAME_STATE PARAVUE_CALL_NAME_VALUE
#define PARAVUE_CALL_NAME_LISTED PARAVUE_CALL_NAME_VALUE
#define PARAVUE_CALL_NAME_QUERY(Interface, Name, Out) #Interface "::QueryInterface(" #Out ")"
            PARAVUE_MANAGER_LISTS(PARAVUE_CALL_NAME)
            PARAVUE_MBN_GETTERS(PARAVUE_CALL_NAME)
        case Op::ListAdapters:
            return "ListAdapters";
    }
    return "unknown";
}

std::string_view ArrayName(Op getter) {
    switch (getter) {
#define PARAVUE_ARRAY_NAME(kind, Interface, Name, Out, Type, field, text) \
    PARAVUE_ARRAY_NAME_##kind(Name, field)
#define PARAVUE_ARRAY_NAME_ARRAY(Name, field) \
    case Op::Name:                            \
        return #field;
#define PARAVUE_ARRAY_NAME_LISTED PARAVUE_ARRAY_NAME_ARRAY
#define PARAVUE_ARRAY_NAME_VALUE(Name, field)
#define PARAVUE_ARRAY_NAME_PART(Name, field)
#define PARAVUE_ARRAY_NAME_QUERY(Name, field)
#define PARAVUE_ARRAY_NAME_STATE(Name, field)
        PARAVUE_MANAGER_LISTS(PARAVUE_ARRAY_NAME)
        PARAVUE_MBN_GETTERS(PARAVUE_ARRAY_NAME)
        default:
            return {};
    }
}

}  // namespace paravue::intercept
