#include "assets/resource_cache.h"

#include <list>

#include "assets/texture_object.h"
#include "shell/log_file.h"

namespace {

struct ResourceCacheEntry {
    TextureObject* object;
    std::string name;
};

// Built during static initialisation; at exit the nodes and names go, the texture objects
// (and their Direct3D textures) stay with the process.
std::list<ResourceCacheEntry> cacheList;

TextureObject* Find(const std::string& name) {
    for (const auto& entry : cacheList) {
        if (entry.name == name) {
            return entry.object;
        }
    }
    return nullptr;
}

template <class Kind> TextureObject* LoadAndAppend(const std::string& name) {
    TextureObject* object = new Kind();
    object->Load(name);
    cacheList.push_back({object, name});
    return object;
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

void ClearForTest() {
    cacheList.clear();
}

} // namespace ResourceCache
