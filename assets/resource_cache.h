#pragma once
// Process-wide list from exact file name (byte for byte, case and slashes included) to a
// loaded texture object. Failed loads are cached too, so a missing file is tried once.
// The cache owns the objects it hands out.

#include <string>

class TextureObject;

namespace ResourceCache {

// Logs "Loading %s ..." on every call, then returns the cached or newly loaded 2D texture.
TextureObject* GetTexture(std::string name);
// The same list without the log line; a miss loads a cube map.
TextureObject* GetCubeTexture(std::string name);

// Releases every texture and frees every object handed out, leaving an empty cache: at the
// end of a run, and in tests that need a fresh cache. Pointers handed out before dangle.
void ReleaseAll();

} // namespace ResourceCache
