#pragma once
// Writes frames on worker threads while the caller renders the next ones. Buffers circulate:
// the caller takes an empty one, fills it and submits it; a worker writes it and hands it
// back. When every buffer is on its way the caller waits, so a slow disk or encoder holds
// rendering back instead of filling memory. With one worker the frames are written in the
// order they were submitted. With no workers, or where the platform offers no threads
// (kWorkerThreadsAvailable), Submit writes the frame itself before it returns.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FrameWriterQueue {
  public:
    // Writes one frame; on failure returns false with `error` set. After a failure the
    // frames still queued are dropped.
    using WriteFrame =
        std::function<bool(long long index, const std::vector<unsigned char>& bytes, std::string* error)>;

    FrameWriterQueue(int workers, int buffers, WriteFrame write);
    ~FrameWriterQueue();
    FrameWriterQueue(const FrameWriterQueue&) = delete;
    FrameWriterQueue& operator=(const FrameWriterQueue&) = delete;

    // An empty buffer (of the size it last had) to fill; waits while every buffer is busy.
    std::vector<unsigned char> Acquire();
    void Submit(long long index, std::vector<unsigned char> bytes);
    // Waits until every submitted frame has been written or dropped and stops the workers;
    // true when all were written.
    bool Finish();
    // The first failure's message; empty while there is none.
    std::string Error() const;
    // Frames written so far.
    long long Written() const;

  private:
    struct Job {
        long long index = 0;
        std::vector<unsigned char> bytes;
    };

    void Work();
    // Writes the oldest job with `lock` released meanwhile, and frees its buffer.
    void WriteFirstJob(std::unique_lock<std::mutex>& lock);

    WriteFrame write_;
    int buffers_;
    int created_ = 0;
    std::vector<std::vector<unsigned char>> free_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::string error_;
    long long written_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable bufferFree_;
    std::vector<std::thread> workers_;
};
