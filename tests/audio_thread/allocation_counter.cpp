#include "audio_thread/allocation_counter.h"

#include <atomic>

namespace {

thread_local bool counting = false;
std::atomic<std::size_t> allocations{0};

void Count() {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer runtimes' own entry (sanitizer/allocator_interface.h, which
// GCC does not install): their allocator calls the hook for every
// allocation, whatever its kind.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
namespace {
void OnMalloc(const volatile void*, std::size_t) { Count(); }
void OnFree(const volatile void*) {}
// The runtime takes the two hooks together or neither.
const bool hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
}  // namespace
#elif defined(__GLIBC__)
// Replacing these three replaces them for operator new and every library too;
// glibc's own entry points do the work.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t n) {
    Count();
    return __libc_malloc(n);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
    Count();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t n) {
    Count();
    return __libc_realloc(p, n);
}
#else
#error "allocation_counter.cpp counts through sanitizer hooks or glibc only"
#endif

namespace earloop::testing {

AllocationCount::AllocationCount() : start_(allocations.load()) { counting = true; }
AllocationCount::~AllocationCount() { counting = false; }
std::size_t AllocationCount::Seen() const { return allocations.load() - start_; }

}  // namespace earloop::testing
