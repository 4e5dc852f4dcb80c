#include "tools/quillmoor-rar/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

std::string Reason(const std::filesystem::path& path) {
    return "cannot read " + path.string() + ": " + std::strerror(errno);
}

} // namespace

std::optional<MappedFile> MappedFile::Open(const std::filesystem::path& path, std::string& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = Reason(path);
        return std::nullopt;
    }
    MappedFile file;
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regular && info.st_size > 0) {
        // Populated at once: one call instead of a page fault per page.
        void* mapped = mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ,
                            MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (mapped != MAP_FAILED) {
            file.mapped_ = mapped;
            file.size_ = static_cast<std::size_t>(info.st_size);
            close(fd);
            return file;
        }
    }
    // Not mappable (or empty): read to the end, however long the file says it is.
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = Reason(path);
            close(fd);
            return std::nullopt;
        }
        file.read_.insert(file.read_.end(), chunk, chunk + got);
    }
    close(fd);
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : mapped_(std::exchange(other.mapped_, nullptr)), size_(std::exchange(other.size_, 0)),
      read_(std::move(other.read_)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        if (mapped_ != nullptr) {
            munmap(mapped_, size_);
        }
        mapped_ = std::exchange(other.mapped_, nullptr);
        size_ = std::exchange(other.size_, 0);
        read_ = std::move(other.read_);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (mapped_ != nullptr) {
        munmap(mapped_, size_);
    }
}
