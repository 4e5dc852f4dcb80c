#include "platform/process/write_all.h"

#include <unistd.h>

#include <cerrno>

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, at, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}
