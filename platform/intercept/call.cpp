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
#define PARAVUE_CALL_NAME(kind, Interface, Name, Out, ...)                                  \
    case Op::Name:                                                                          \
        return std::string_view(#kind) == "QUERY" ? #Interface "::QueryInterface(" #Out ")" \
                                                  : #Interface "::" #Name;
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
    case Op::Name:                                                        \
        return HandsOutList(#kind) ? #field : "";
        PARAVUE_MANAGER_LISTS(PARAVUE_ARRAY_NAME)
        PARAVUE_MBN_GETTERS(PARAVUE_ARRAY_NAME)
        default:
            return {};
    }
}

}  // namespace paravue::intercept
