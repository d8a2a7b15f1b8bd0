// The process heap, set up as the layer is loaded.
#include <malloc.h>

namespace {

// Windows' heap serves blocks above about 512 KiB straight from VirtualAlloc and gives them back when
// they are freed. glibc does so only below its dynamic threshold, which rises after each large block is
// freed: later answers of megabytes then come from the main heap and stay resident. A fixed threshold
// keeps large blocks mapped on their own and turns the dynamic adjustment off; the heap's top is then
// given back beyond twice that (glibc's own rule), not beyond 128 KiB, so that buffers of tens of
// kilobytes freed and taken again do not fault their pages in anew each time.
constexpr int LARGE_BLOCK = 512 * 1024;

const bool g_heapSet = [] {
    mallopt(M_MMAP_THRESHOLD, LARGE_BLOCK);
    mallopt(M_TRIM_THRESHOLD, 2 * LARGE_BLOCK);
    return true;
}();

} // namespace
