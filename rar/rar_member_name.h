#pragma once
// Member names as archives store them: parts between "\" (or "/"), and which of them an
// extraction may follow without leaving its destination directory.

#include <string_view>

namespace RarMemberName {

// ".." climbs out of the destination and a drive ("C:") names another one.
bool UnsafePart(std::string_view part);

// Relative (no leading separator) and without an unsafe part: what our packer writes, so
// that no extractor, ours or another, puts a member of our archives outside its destination.
bool StaysInside(std::string_view name);

} // namespace RarMemberName
