#pragma once
// The archive extraction on a second thread, observably the same as extracting on the calling
// thread: members are decoded into memory from the moment it starts, but no file is touched
// before WriteFiles, files are written in list order, and the caller prints each result line
// itself once the file is written. When every file is written the thread builds the meshes
// among them (XMeshCache), so that the scenes' loads find them built. Where the platform
// offers no threads (kWorkerThreadsAvailable), WriteFiles does all of it on the calling thread.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "platform/d3dx9/file_bytes.h"

class ExtractionWorker {
  public:
    // Starts decoding the members named in `list` (kept by reference) from `archiveName`.
    ExtractionWorker(std::span<const char* const> list, const char* archiveName);
    // Stops at the next member and joins; what was never written is dropped unwritten.
    ~ExtractionWorker();
    ExtractionWorker(const ExtractionWorker&) = delete;
    ExtractionWorker& operator=(const ExtractionWorker&) = delete;

    void WriteFiles();
    // Waits until member `index` is written; true when it was extracted and its file written.
    bool WaitWritten(std::size_t index);

    // The member file as the extractor writes it: created or truncated, filled when
    // `extracted`. True when extracted and written; `identity` is the written file's.
    static bool WriteMember(const char* path, bool extracted, const std::uint8_t* data, std::uint32_t size,
                            std::optional<FileBytes::Identity>* identity);

  private:
    struct Member {
        bool extracted = false;
        std::uint8_t* data = nullptr; // malloc'd by the reader
        std::uint32_t size = 0;
        bool written = false;
        bool ok = false;
    };

    void Run();
    bool Stopping();

    std::span<const char* const> list_;
    const char* archiveName_;
    std::vector<Member> members_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
