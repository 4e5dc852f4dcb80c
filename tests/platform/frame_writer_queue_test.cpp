#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/capture/frame_writer_queue.h"

namespace {

std::vector<unsigned char> Filled(FrameWriterQueue& queue, unsigned char value) {
    std::vector<unsigned char> buffer = queue.Acquire();
    buffer.assign(16, value);
    return buffer;
}

// One worker thread, or none: Submit then writes on the calling thread before it returns
// (the browser build, which has no threads, works that way).
class InOrderWriting : public testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Workers, InOrderWriting, testing::Values(0, 1));

TEST_P(InOrderWriting, EveryFrameIsWrittenInOrder) {
    const int workers = GetParam();
    std::vector<std::pair<long long, unsigned char>> written;
    std::vector<std::thread::id> writers;
    FrameWriterQueue queue(workers, 2,
                           [&](long long index, const std::vector<unsigned char>& bytes, std::string*) {
                               written.emplace_back(index, bytes.at(0));
                               writers.push_back(std::this_thread::get_id());
                               return true;
                           });
    for (int i = 0; i < 50; ++i) {
        queue.Submit(i, Filled(queue, static_cast<unsigned char>(i)));
        if (workers == 0) {
            ASSERT_EQ(written.size(), static_cast<std::size_t>(i) + 1) << "written before Submit returns";
        }
    }
    for (const std::thread::id writer : writers) {
        EXPECT_EQ(writer == std::this_thread::get_id(), workers == 0);
    }
    EXPECT_TRUE(queue.Finish());
    EXPECT_EQ(queue.Written(), 50);
    ASSERT_EQ(written.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(written[i].first, i);
        EXPECT_EQ(written[i].second, i);
    }
}

TEST(FrameWriterQueue, SeveralWorkersWriteEachFrameOnceAndBuffersStayBounded) {
    std::mutex mutex;
    std::multiset<long long> written;
    std::atomic<int> busy{0};
    std::atomic<int> mostBusy{0};
    std::set<const unsigned char*> distinctBuffers;
    FrameWriterQueue queue(3, 4, [&](long long index, const std::vector<unsigned char>& bytes, std::string*) {
        const int now = ++busy;
        int seen = mostBusy.load();
        while (now > seen && !mostBusy.compare_exchange_weak(seen, now)) {
        }
        std::lock_guard<std::mutex> lock(mutex);
        written.insert(index);
        distinctBuffers.insert(bytes.data());
        --busy;
        return bytes.at(0) == static_cast<unsigned char>(index);
    });
    for (int i = 0; i < 200; ++i) {
        queue.Submit(i, Filled(queue, static_cast<unsigned char>(i)));
    }
    EXPECT_TRUE(queue.Finish()) << queue.Error();
    EXPECT_EQ(queue.Written(), 200);
    ASSERT_EQ(written.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(written.count(i), 1u) << i;
    }
    EXPECT_LE(distinctBuffers.size(), 4u) << "buffers are reused, never more than asked for";
    EXPECT_LE(mostBusy.load(), 3);
}

TEST_P(InOrderWriting, TheFirstFailureIsKeptAndLaterFramesAreDropped) {
    std::vector<long long> attempted;
    FrameWriterQueue queue(GetParam(), 2,
                           [&](long long index, const std::vector<unsigned char>&, std::string* error) {
                               attempted.push_back(index);
                               if (index >= 3) {
                                   *error = "disk full at " + std::to_string(index);
                                   return false;
                               }
                               return true;
                           });
    for (int i = 0; i < 10; ++i) {
        queue.Submit(i, Filled(queue, 0)); // never blocks, failed or not
    }
    EXPECT_FALSE(queue.Finish());
    EXPECT_EQ(queue.Error(), "disk full at 3");
    EXPECT_EQ(queue.Written(), 3);
    EXPECT_EQ(attempted, (std::vector<long long>{0, 1, 2, 3}));
}

} // namespace
