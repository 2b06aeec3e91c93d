// Strings that share one block may live in different threads: every count
// change is atomic, so heavy copying, assigning and releasing from many
// threads must leave the count exact and free each block exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "qv_string.h"
#include "string_probe.h"
#include "test_thread.h"

using alloc_counter::AllocScope;

namespace {

const int kThreads = 8;
const int kIterations = 20000;
const char* const kText = "text shared between all threads";

// Churns copies of seed (this thread's own object) through a few local
// strings; every object is used by this thread alone, only the block is
// shared. Returns the number of inconsistencies seen.
int Churn(const QvString& seed, int salt) {
    QvStringData* block = Probe::Of(seed);
    int errors = 0;
    QvString held[4];
    QvString local;
    for (int i = 0; i < kIterations; ++i) {
        QvString copy(seed);
        held[i % 4] = copy;
        local = held[(i + 1) % 4];
        if (Probe::Of(copy) != block || copy.GetLength() != seed.GetLength()) ++errors;
        if (i % 61 == salt) {
            // A write takes a private block and drops one shared reference.
            copy.SetAt(0, 'W');
            if (Probe::Of(copy) == block || copy[0] != 'W' || seed[0] != kText[0]) ++errors;
        }
        if (i % 97 == 0) {
            local.Empty();
            held[i % 4] = QvString();
        }
    }
    return errors;
}

}  // namespace

TEST(StringThreads, CountReturnsToOneAfterConcurrentCopies) {
    QvString master(kText);
    QvStringData* block = Probe::Of(master);
    std::atomic<int> errors{0};
    AllocScope scope;
    {
        std::vector<QvString> seeds(kThreads, master);
        ASSERT_EQ(kThreads + 1, block->refCount);
        std::vector<TestThread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&seeds, &errors, t] { errors += Churn(seeds[t], t); });
        }
        for (auto& th : threads) th.Join();
        EXPECT_EQ(kThreads + 1, block->refCount);
    }
    long long live = scope.Live();
    EXPECT_EQ(0, errors.load());
    EXPECT_EQ(1, block->refCount);
    EXPECT_EQ(block, Probe::Of(master));
    EXPECT_EQ(kText, std::string(master));
    if (!HasFailure()) {
        EXPECT_EQ(0, live);  // every private copy was freed; the shared block survives
    }
}

TEST(StringThreads, LastHolderFreesTheBlockExactlyOnce) {
    std::atomic<int> errors{0};
    AllocScope scope;
    for (int round = 0; round < 4; ++round) {
        std::vector<TestThread> threads;
        {
            QvString master(kText);
            std::vector<QvString> seeds(kThreads, master);
            for (int t = 0; t < kThreads; ++t) {
                // Each thread takes its seed over; the creator lets go of the
                // block while the threads are still using it.
                threads.emplace_back([seed = seeds[t], &errors, t]() { errors += Churn(seed, t); });
            }
        }
        for (auto& th : threads) th.Join();
    }
    long long allocs = scope.Allocs(), frees = scope.Frees();
    EXPECT_EQ(0, errors.load());
    EXPECT_EQ(allocs, frees);
}
