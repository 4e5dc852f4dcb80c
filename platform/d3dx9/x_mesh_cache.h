#pragma once
// Meshes built from .x files during start-up, kept by file identity: a file the scenes load
// twice is parsed once, and a file the archive extraction has just written can be built on
// that thread while the main thread does other work. Whichever thread comes first builds a
// file; a load that finds it being built waits for it. Only between Keep and Forget is
// anything remembered; outside them every load reads and builds its file afresh.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/d3dx9/file_bytes.h"
#include "platform/d3dx9/x_mesh_builder.h"

namespace XMeshCache {

struct Built {
    HRESULT result = E_FAIL; // of reading, parsing and building the file
    XMeshData data;
};

void Keep();

// The bytes just written to the file of `identity` (taken after the write), for
// BuildNextOffered or the first load of that file. Ignored unless keeping.
void Offer(const FileBytes::Identity& identity, std::shared_ptr<const std::uint8_t[]> bytes,
           std::size_t size);

// Builds the earliest offered file that no thread has started on; false when there is none.
bool BuildNextOffered();

// The mesh of the file at `windowsPath`: result E_FAIL when it cannot be opened or read.
std::shared_ptr<const Built> Load(std::wstring_view windowsPath);

// Drops everything kept (a build still running on another thread finishes unseen) and stops
// keeping.
void Forget();

} // namespace XMeshCache
