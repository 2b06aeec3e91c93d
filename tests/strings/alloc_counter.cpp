#include "alloc_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> g_allocs{0};
std::atomic<long long> g_frees{0};
std::atomic<long long> g_bytes{0};
// Allocations left until the injected failure; 0 means none is armed.
std::atomic<long long> g_failCountdown{0};

// True when this allocation is the one chosen to fail.
bool ConsumeFailure() {
    long long c = g_failCountdown.load();
    while (c > 0 && !g_failCountdown.compare_exchange_weak(c, c - 1)) {
    }
    return c == 1;
}

void* Allocate(std::size_t size) {
    if (ConsumeFailure()) return nullptr;
    // malloc(0) may legitimately return null; operator new must not.
    void* p = std::malloc(size ? size : 1);
    if (p) {
        g_allocs.fetch_add(1);
        g_bytes.fetch_add(static_cast<long long>(size));
    }
    return p;
}

void Deallocate(void* p) {
    if (!p) return;
    g_frees.fetch_add(1);
    std::free(p);
}

void* AllocateOrThrow(std::size_t size) {
    void* p = Allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

namespace alloc_counter {

Counts Snapshot() {
    // Frees are read first so a concurrent pair never shows a negative
    // live count.
    Counts c;
    c.frees = g_frees.load();
    c.allocs = g_allocs.load();
    c.bytes = g_bytes.load();
    return c;
}

void FailNth(int n) { g_failCountdown.store(n > 0 ? n : 0); }
void CancelFailure() { g_failCountdown.store(0); }
bool FailurePending() { return g_failCountdown.load() > 0; }

}  // namespace alloc_counter

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void operator delete(void* p) noexcept { Deallocate(p); }
void operator delete[](void* p) noexcept { Deallocate(p); }
void operator delete(void* p, std::size_t) noexcept { Deallocate(p); }
void operator delete[](void* p, std::size_t) noexcept { Deallocate(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Deallocate(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Deallocate(p); }
