#pragma once
// DirectX .x files as a tree of data objects: each object's type, name, its numbers and
// strings in file order, and its nested objects and references. Templates are skipped;
// the mesh builder knows the standard templates' layouts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/windows_types.h"

struct XObject {
    std::string type;
    std::string name;
    // A reference ({ Name }) to an object defined elsewhere; only `name` is set.
    bool isReference = false;
    std::vector<double> numbers;
    std::vector<std::string> strings;
    std::vector<XObject> children;
};

namespace XFileParser {

// The top-level data objects of a whole file (header included). Fails with
// D3DXERR_INVALIDDATA on a bad header, a truncated or corrupt body, or nesting deeper than
// any real file uses.
HRESULT Parse(const std::uint8_t* data, std::size_t size, std::vector<XObject>& objects);

} // namespace XFileParser
