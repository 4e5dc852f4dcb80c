#include "platform/win32/process_heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer brings its own allocator, which keeps no C library heap to shape.
constexpr bool kHeapIsTheCLibrarys = false;
#else
constexpr bool kHeapIsTheCLibrarys = true;
#endif

// The "[madvise]" or "[always]" setting of transparent huge pages, empty without them.
std::string HugePageSetting() {
    std::ifstream file("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    std::getline(file, line);
    const auto open = line.find('[');
    const auto close = line.find(']');
    return open == std::string::npos || close == std::string::npos ? ""
                                                                   : line.substr(open + 1, close - open - 1);
}

struct Mapping {
    bool found = false;
    std::string name;
    std::string flags;
};

// The mapping of /proc/self/smaps that holds `address`.
Mapping MappingOf(const void* address) {
    const auto where = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    Mapping mapping;
    bool inside = false;
    std::string line;
    while (std::getline(smaps, line)) {
        std::uintptr_t begin = 0;
        std::uintptr_t end = 0;
        char dash = 0;
        std::istringstream fields(line);
        if (fields >> std::hex >> begin >> dash >> end && dash == '-') {
            inside = where >= begin && where < end;
            if (inside) {
                std::string permissions, offset, device, inode;
                fields >> permissions >> offset >> device >> inode;
                std::getline(fields >> std::ws, mapping.name);
                mapping.found = true;
            }
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            mapping.flags = line.substr(8) + " ";
            return mapping;
        }
    }
    return mapping;
}

TEST(ProcessHeap, LargeBlocksComeFromAHeapMarkedForHugePages) {
    const std::string setting = HugePageSetting();
    const bool prepared = ProcessHeap::Prepare();
    if (setting != "madvise" && setting != "always") {
        GTEST_SKIP() << "the system offers no transparent huge pages on request";
    }
    if (!kHeapIsTheCLibrarys) {
        EXPECT_FALSE(prepared);
        GTEST_SKIP() << "the heap is AddressSanitizer's, not the C library's";
    }
    ASSERT_TRUE(prepared);
    // A mesh-sized block, well above the C library's default threshold for a block of its own.
    constexpr std::size_t kBlock = std::size_t{8} << 20;
    void* block = std::malloc(kBlock);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, kBlock);
    const Mapping mapping = MappingOf(static_cast<char*>(block) + kBlock / 2);
    std::free(block);
    ASSERT_TRUE(mapping.found);
    EXPECT_EQ(mapping.name, "[heap]");
    EXPECT_NE(mapping.flags.find(" hg "), std::string::npos) << "VmFlags:" << mapping.flags;
}

TEST(ProcessHeap, FreedLargeBlockIsReusedInPlace) {
    if (!ProcessHeap::Prepare()) {
        GTEST_SKIP() << "no huge-page heap here";
    }
    constexpr std::size_t kBlock = std::size_t{16} << 20;
    void* first = std::malloc(kBlock);
    ASSERT_NE(first, nullptr);
    std::memset(first, 2, kBlock);
    const Mapping before = MappingOf(first);
    std::free(first);
    // Freed, the span stays with the process: the block is not a mapping of its own that
    // goes back to the kernel and must be faulted in again.
    void* second = std::malloc(kBlock);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(MappingOf(second).name, before.name);
    EXPECT_EQ(before.name, "[heap]");
    std::free(second);
}

} // namespace
