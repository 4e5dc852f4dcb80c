#pragma once
// A file's bytes to pack, mapped read-only instead of read: the page cache's own pages,
// without zeroing and copying a buffer per member (for the demo media that was a tenth of
// the packer's time). Files that cannot be mapped (pipes, devices, files of /proc) are read
// to their end instead. Another program that shortens a mapped file meanwhile takes the
// pages past its new end away: reading one raises SIGBUS (see partial_output.h).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

class MappedFile {
  public:
    // The file's bytes, or nothing when it cannot be opened or read; `error` then says why.
    static std::optional<MappedFile> Open(const std::filesystem::path& path, std::string& error);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::span<const std::uint8_t> Bytes() const {
        return mapped_ != nullptr ? std::span(static_cast<const std::uint8_t*>(mapped_), size_)
                                  : std::span<const std::uint8_t>(read_);
    }

  private:
    MappedFile() = default;

    void* mapped_ = nullptr;
    std::size_t size_ = 0;
    std::vector<std::uint8_t> read_;
};
