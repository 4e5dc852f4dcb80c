#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs/windows_path.h"

BOOL DeleteFileW(LPCWSTR fileName) {
    if (fileName == nullptr) {
        return FALSE;
    }
    const std::optional<std::string> path = WindowsPath::Resolve(WindowsPath::Narrow(fileName));
    if (!path) {
        return FALSE;
    }
    // DeleteFileW removes files only; a directory of that name stays.
    struct stat info {};
    if (::lstat(path->c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return FALSE;
    }
    return ::unlink(path->c_str()) == 0 ? TRUE : FALSE;
}
