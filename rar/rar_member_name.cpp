#include "rar/rar_member_name.h"

#include <algorithm>

namespace RarMemberName {

bool UnsafePart(std::string_view part) {
    return part == ".." || part.find(':') != std::string_view::npos;
}

bool StaysInside(std::string_view name) {
    if (name.empty() || name.front() == '\\' || name.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("\\/", start), name.size());
        if (UnsafePart(name.substr(start, end - start))) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace RarMemberName
