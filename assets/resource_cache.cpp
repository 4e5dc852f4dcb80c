#include "assets/resource_cache.h"

#include <list>
#include <memory>

#include "assets/texture_object.h"
#include "shell/log_file.h"

namespace {

struct ResourceCacheEntry {
    std::unique_ptr<TextureObject> object;
    std::string name;
};

// Each object releases its texture when it goes. Emptied by ReleaseAll while the platform
// can still release textures; whatever is left at exit goes with the list.
std::list<ResourceCacheEntry> cacheList;

TextureObject* Find(const std::string& name) {
    for (const auto& entry : cacheList) {
        if (entry.name == name) {
            return entry.object.get();
        }
    }
    return nullptr;
}

template <class Kind> TextureObject* LoadAndAppend(const std::string& name) {
    auto object = std::make_unique<Kind>();
    object->Load(name);
    return cacheList.emplace_back(ResourceCacheEntry{std::move(object), name}).object.get();
}

} // namespace

namespace ResourceCache {

TextureObject* GetTexture(std::string name) {
    LogFile::Print("Loading %s ...", name.c_str());
    if (TextureObject* found = Find(name)) {
        return found;
    }
    return LoadAndAppend<Texture2D>(name);
}

TextureObject* GetCubeTexture(std::string name) {
    if (TextureObject* found = Find(name)) {
        return found;
    }
    return LoadAndAppend<CubeTexture>(name);
}

void ReleaseAll() {
    cacheList.clear();
}

} // namespace ResourceCache
