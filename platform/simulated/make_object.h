// Creates a service object and hands it out as one of its interfaces.
#pragma once

#include <utility>

#include "platform/com_object.h"

namespace paravue::simulated {

template <class Interface, class Object, class... Args>
ComPtr<Interface> MakeObjectAs(Args&&... args) {
    Interface* object = MakeComObject<Object>(std::forward<Args>(args)...).Detach();
    return ComPtr<Interface>::Adopt(object);
}

}  // namespace paravue::simulated
