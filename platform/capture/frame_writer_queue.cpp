#include "platform/capture/frame_writer_queue.h"

#include <utility>

#include "platform/threads/worker_threads.h"

FrameWriterQueue::FrameWriterQueue(int workers, int buffers, WriteFrame write)
    : write_(std::move(write)), buffers_(buffers > 0 ? buffers : 1) {
    const int threads = kWorkerThreadsAvailable ? workers : 0;
    for (int i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { Work(); });
    }
}

FrameWriterQueue::~FrameWriterQueue() {
    Finish();
}

std::vector<unsigned char> FrameWriterQueue::Acquire() {
    std::unique_lock<std::mutex> lock(mutex_);
    bufferFree_.wait(lock, [this] { return !free_.empty() || created_ < buffers_; });
    if (free_.empty()) {
        ++created_;
        return {};
    }
    std::vector<unsigned char> buffer = std::move(free_.back());
    free_.pop_back();
    return buffer;
}

void FrameWriterQueue::Submit(long long index, std::vector<unsigned char> bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back({index, std::move(bytes)});
    }
    if (workers_.empty()) {
        std::unique_lock<std::mutex> lock(mutex_);
        WriteFirstJob(lock);
        return;
    }
    jobReady_.notify_one();
}

void FrameWriterQueue::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        jobReady_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) {
            return;
        }
        WriteFirstJob(lock);
    }
}

void FrameWriterQueue::WriteFirstJob(std::unique_lock<std::mutex>& lock) {
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    if (error_.empty()) {
        lock.unlock();
        std::string error;
        const bool written = write_(job.index, job.bytes, &error);
        lock.lock();
        if (written) {
            ++written_;
        } else if (error_.empty()) {
            error_ = error.empty() ? "a frame could not be written" : error;
        }
    }
    free_.push_back(std::move(job.bytes));
    bufferFree_.notify_one();
}

bool FrameWriterQueue::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable()) {
            worker.join();
        }
    }
    workers_.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    return error_.empty();
}

std::string FrameWriterQueue::Error() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

long long FrameWriterQueue::Written() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}
