#include "platform/d3d9/device_lifetime.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<IDirect3DDevice9*, unsigned long long> lives;
    unsigned long long next = 1;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

namespace DeviceLifetime {

void Begin(IDirect3DDevice9* device) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.lives[device] = r.next++;
}

void End(IDirect3DDevice9* device) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.lives.erase(device);
}

unsigned long long LifeOf(IDirect3DDevice9* device) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.lives.find(device);
    return it != r.lives.end() ? it->second : 0;
}

IDirect3DDevice9* NewestAfter(unsigned long long life) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    IDirect3DDevice9* newest = nullptr;
    unsigned long long newestLife = life;
    for (const auto& [device, deviceLife] : r.lives) {
        if (deviceLife > newestLife) {
            newest = device;
            newestLife = deviceLife;
        }
    }
    return newest;
}

} // namespace DeviceLifetime

IDirect3DDevice9* DeviceLink::Get() const {
    if (device_ == nullptr || life_ == 0) {
        return device_;
    }
    return DeviceLifetime::LifeOf(device_) == life_ ? device_ : nullptr;
}

IDirect3DDevice9* DeviceLink::Follow() const {
    IDirect3DDevice9* device = Get();
    if (device != nullptr || life_ == 0) {
        return device;
    }
    return DeviceLifetime::NewestAfter(life_);
}
