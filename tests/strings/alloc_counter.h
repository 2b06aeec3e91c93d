// Counting replacement of the global allocation operators for the string
// tests. Every form of operator new / new[] (plain, sized delete, nothrow)
// goes through malloc/free and is counted, so a test can see exactly how
// many blocks and bytes an operation asked for, and can make a chosen
// allocation fail to check that the string survives it.
//
// The over-aligned forms are not replaced: nothing in the string class
// asks for them, and the library defaults keep their own new/delete pairs.
#ifndef TESSAROVEN_TESTS_ALLOC_COUNTER_H
#define TESSAROVEN_TESTS_ALLOC_COUNTER_H

#include <new>

namespace alloc_counter {

struct Counts {
    long long allocs;  // successful allocations
    long long frees;   // deallocations of non-null pointers
    long long bytes;   // bytes requested by the successful allocations
};

// Totals since the process started; safe to call from any thread.
Counts Snapshot();

// Makes the n-th allocation from now on (1 = the very next one) fail: the
// throwing forms throw std::bad_alloc, the nothrow forms return null.
// n <= 0 cancels a pending failure.
void FailNth(int n);
void CancelFailure();
// True while a requested failure has not happened yet.
bool FailurePending();

// Snapshot at construction; the accessors give what happened since.
class AllocScope {
public:
    AllocScope() : start_(Snapshot()) {}
    long long Allocs() const { return Snapshot().allocs - start_.allocs; }
    long long Frees() const { return Snapshot().frees - start_.frees; }
    long long Bytes() const { return Snapshot().bytes - start_.bytes; }
    // Blocks allocated within the scope and not yet freed (net).
    long long Live() const {
        Counts now = Snapshot();
        return (now.allocs - start_.allocs) - (now.frees - start_.frees);
    }

private:
    Counts start_;
};

// Runs action with its first, then its second, ... allocation made to fail
// (std::bad_alloc is caught), calling check(n) after each run, until a run
// completes with no failure left to reach it; check sees that run too.
// Gives up after limit runs. Returns the number of runs.
template <typename Action, typename Check>
int FailEachAllocationInTurn(Action action, Check check, int limit = 50) {
    for (int n = 1; n <= limit; ++n) {
        FailNth(n);
        try {
            action();
        } catch (const std::bad_alloc&) {
        }
        bool completed = FailurePending();
        CancelFailure();
        check(n);
        if (completed) return n;
    }
    return limit;
}

}  // namespace alloc_counter

#endif
