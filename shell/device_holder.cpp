#include "shell/device_holder.h"

namespace {
DeviceHolder* globalHolder = nullptr;
}

DeviceHolder* DeviceHolder::Get() {
    if (globalHolder == nullptr) {
        globalHolder = new DeviceHolder();
    }
    return globalHolder;
}
