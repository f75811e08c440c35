#pragma once
// Counts the heap allocations (malloc, calloc, realloc and operator new, which
// calls malloc) that a thread makes while it counts. The audio thread's code
// must make none. Under AddressSanitizer or ThreadSanitizer the count comes
// from the sanitizer's allocator hooks; otherwise the C library's allocation
// functions are replaced by counting ones (glibc only).

#include <cstddef>

namespace earloop::testing {

// Counts on the constructing thread until destroyed. Seen() includes any
// other thread's counting meanwhile: count on one thread at a time.
class AllocationCount {
public:
    AllocationCount();
    ~AllocationCount();
    AllocationCount(const AllocationCount&) = delete;
    AllocationCount& operator=(const AllocationCount&) = delete;
    std::size_t Seen() const;

private:
    std::size_t start_;
};

}  // namespace earloop::testing
