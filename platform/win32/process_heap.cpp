#include "platform/win32/process_heap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

// Only a C library with these knobs (glibc) reserves and marks a span; elsewhere (the browser's
// build) the heap is left as the C library makes it.
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Start-up's high-water mark is about 200 MB; the span is address space only until touched.
constexpr std::size_t kReservedSpan = std::size_t{256} << 20;
// The largest threshold the C library accepts: blocks up to it come from the heap, so a
// buffer freed and allocated again reuses pages already faulted in.
constexpr int kLargestHeapBlock = 32 << 20;
// The C library's own default pad.
constexpr int kDefaultTopPad = 128 << 10;
// Well above the span, so that no free gives the marked span back.
constexpr int kTrimThreshold = 1 << 30;

} // namespace
#endif

namespace ProcessHeap {

namespace {

bool ReserveMarkedSpan() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    // Freed space at the top stays with the process, or the span marked below would go back
    // and come again unmarked.
    // One arena for every thread: the start-up thread that decodes the media would otherwise
    // allocate from an arena of its own, outside the marked span.
    if (mallopt(M_ARENA_MAX, 1) == 0 || mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 0 ||
        mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) == 0 ||
        mallopt(M_TOP_PAD, static_cast<int>(kReservedSpan)) == 0) {
        return false;
    }
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    // A block larger than the heap's free top makes it grow, by the block and the pad.
    void* block = std::malloc(mallinfo2().keepcost + kHugePage);
    std::free(block);
    mallopt(M_TOP_PAD, kDefaultTopPad);
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t start = (before + kHugePage - 1) & ~(kHugePage - 1);
    if (block == nullptr || before == static_cast<std::uintptr_t>(-1) || after <= start) {
        return false;
    }
    return madvise(reinterpret_cast<void*>(start), after - start, MADV_HUGEPAGE) == 0;
#else
    return false;
#endif
}

} // namespace

bool Prepare() {
    static const bool prepared = ReserveMarkedSpan();
    return prepared;
}

} // namespace ProcessHeap
