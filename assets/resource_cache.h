#pragma once
// Process-wide list from exact file name (byte for byte, case and slashes included) to a
// loaded texture object. Failed loads are cached too, so a missing file is tried once.

#include <string>

class TextureObject;

namespace ResourceCache {

// Logs "Loading %s ..." on every call, then returns the cached or newly loaded 2D texture.
TextureObject* GetTexture(std::string name);
// The same list without the log line; a miss loads a cube map.
TextureObject* GetCubeTexture(std::string name);

// Forgets every entry (the objects stay alive); for tests that need a fresh cache.
void ClearForTest();

} // namespace ResourceCache
