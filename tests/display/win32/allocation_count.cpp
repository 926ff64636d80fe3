// allocation_count.cpp - replaces the global operator new of a test program
// with one that counts, so that a test can show a code path allocates
// nothing. In a file of its own, so that the compiler never sees a counted
// new and its delete inlined side by side.
#include <atomic>
#include <cstdlib>
#include <new>

std::atomic<long> allocationCount{0};

void* operator new(std::size_t size) {
    ++allocationCount;
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        std::abort(); // the tests have no use for an allocation failure
    }
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
