// The first-come, first-served slot limiter.
#include "TrevanTestSupport.h"

#include <vector>

#include <Trevan/CountLimiter.h>

using namespace Trevan;

namespace {

struct Queue {
    CountLimiter* limiter;
    Event queued{false, false};  // set by each thread once it has asked
    volatile LONG granted = 0;
    int order[8] = {};
};

struct Arrival {
    Queue* queue;
    int index;
};

// Acquires, notes its place in the grant order, and gives the slot back.
unsigned __stdcall AcquireInTurn(void* argument) {
    auto* arrival = static_cast<Arrival*>(argument);
    Queue* q = arrival->queue;
    SyncObject slot = q->limiter->Acquire();
    SetEvent(q->queued.Get());
    if (!slot.Wait(kPatience)) return 1;
    q->order[InterlockedIncrement(&q->granted) - 1] = arrival->index;
    q->limiter->Release();
    return 0;
}

struct Stress {
    CountLimiter* limiter;
    volatile LONG holders = 0;
    volatile LONG most = 0;
    volatile LONG failures = 0;
};

unsigned __stdcall Cycle(void* argument) {
    auto* s = static_cast<Stress*>(argument);
    for (int i = 0; i < 1000; ++i) {
        SyncObject slot = s->limiter->Acquire();
        if (!slot.Wait(kPatience)) {
            InterlockedIncrement(&s->failures);
            return 1;
        }
        LONG now = InterlockedIncrement(&s->holders);
        LONG seen = s->most;
        while (now > seen && InterlockedCompareExchange(&s->most, now, seen) != seen) seen = s->most;
        InterlockedDecrement(&s->holders);
        s->limiter->Release();
    }
    return 0;
}

}  // namespace

TEST(CountLimiter, FreeSlotIsSignalledAtOnceAndReleaseGrantsTheWaiter) {
    CountLimiter limiter(1);
    EXPECT_EQ(1u, limiter.Limit());
    SyncObject first = limiter.Acquire();
    EXPECT_TRUE(first.TryWait());
    EXPECT_EQ(1u, limiter.InUse());

    SyncObject second = limiter.Acquire();
    ASSERT_TRUE(second.IsValid());
    EXPECT_FALSE(second.Wait(20));
    EXPECT_EQ(1, limiter.Waiting());

    EXPECT_TRUE(limiter.Release());
    EXPECT_TRUE(second.TryWait());
    EXPECT_EQ(1u, limiter.InUse());
    EXPECT_EQ(0, limiter.Waiting());
    EXPECT_TRUE(limiter.Release());
    EXPECT_EQ(0u, limiter.InUse());
}

TEST(CountLimiter, WaitersAreServedInArrivalOrder) {
    CountLimiter limiter(1);
    SyncObject mine = limiter.Acquire();
    ASSERT_TRUE(mine.TryWait());

    Queue q;
    q.limiter = &limiter;
    Arrival arrivals[6];
    Thread threads[6];
    for (int i = 0; i < 6; ++i) {
        arrivals[i] = {&q, i};
        ASSERT_NE(0u, threads[i].Start(&AcquireInTurn, &arrivals[i]));
        // The next thread starts only once this one is queued.
        ASSERT_TRUE(q.queued.Wait(kPatience));
        ASSERT_EQ(i + 1, limiter.Waiting());
    }
    limiter.Release();
    for (auto& t : threads) ASSERT_TRUE(t.Wait(kPatience));
    ASSERT_EQ(6, q.granted);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(i, q.order[i]);
    EXPECT_EQ(0u, limiter.InUse());
}

TEST(CountLimiter, RaisingTheLimitFromOneToThreeGrantsExactlyTwo) {
    CountLimiter limiter(1);
    SyncObject holder = limiter.Acquire();
    SyncObject w1 = limiter.Acquire(), w2 = limiter.Acquire(), w3 = limiter.Acquire();
    ASSERT_EQ(3, limiter.Waiting());

    EXPECT_EQ(1u, limiter.SetLimit(3));
    EXPECT_EQ(3u, limiter.Limit());
    EXPECT_TRUE(w1.TryWait());
    EXPECT_TRUE(w2.TryWait());
    EXPECT_FALSE(w3.TryWait());
    EXPECT_EQ(3u, limiter.InUse());
    EXPECT_EQ(1, limiter.Waiting());
}

TEST(CountLimiter, LoweringTakesNothingBackAndRaisingAgainDoesNotOverAdmit) {
    CountLimiter limiter(3);
    SyncObject a = limiter.Acquire(), b = limiter.Acquire(), c = limiter.Acquire();
    EXPECT_EQ(3u, limiter.SetLimit(1));
    EXPECT_EQ(3u, limiter.InUse());  // holders keep their slots
    SyncObject waiter = limiter.Acquire();

    EXPECT_EQ(1u, limiter.SetLimit(2));
    EXPECT_FALSE(waiter.TryWait());  // three hold already, two are allowed
    limiter.Release();
    EXPECT_FALSE(waiter.TryWait());
    limiter.Release();
    EXPECT_TRUE(waiter.TryWait());
    EXPECT_EQ(2u, limiter.InUse());
}

TEST(CountLimiter, DestructionFreesEveryWaiter) {
    CountLimiter* limiter = new CountLimiter(1);
    SyncObject holder = limiter->Acquire();
    SyncObject w1 = limiter->Acquire(), w2 = limiter->Acquire(), w3 = limiter->Acquire();
    EXPECT_FALSE(w1.TryWait());
    HANDLE before = NextHandleValue();
    delete limiter;
    EXPECT_TRUE(w1.TryWait());
    EXPECT_TRUE(w2.TryWait());
    EXPECT_TRUE(w3.TryWait());
    // The limiter's own copies of the three events went with it.
    EXPECT_LT(NextHandleValue(), before);
}

TEST(CountLimiter, UnmatchedReleaseIsHarmless) {
    CountLimiter limiter(2);
    EXPECT_FALSE(limiter.Release());
    EXPECT_EQ(0u, limiter.InUse());
    SyncObject a = limiter.Acquire();
    EXPECT_TRUE(a.TryWait());
    EXPECT_TRUE(limiter.Release());
    EXPECT_FALSE(limiter.Release());  // one more than acquired
    EXPECT_EQ(0u, limiter.InUse());

    // Grants go on as before.
    SyncObject b = limiter.Acquire(), c = limiter.Acquire(), d = limiter.Acquire();
    EXPECT_TRUE(b.TryWait());
    EXPECT_TRUE(c.TryWait());
    EXPECT_FALSE(d.TryWait());
    EXPECT_EQ(2u, limiter.InUse());
}

TEST(CountLimiter, SixteenThreadsThousandCyclesEachEndBalanced) {
    CountLimiter limiter(8);
    Stress s;
    s.limiter = &limiter;
    HANDLE before = NextHandleValue();
    {
        Thread threads[16];
        for (auto& t : threads) ASSERT_NE(0u, t.Start(&Cycle, &s));
        for (auto& t : threads) ASSERT_TRUE(t.Wait(kPatience));
        for (auto& t : threads) EXPECT_EQ(0u, t.ExitCode());
    }
    EXPECT_EQ(0, s.failures);
    EXPECT_LE(s.most, 8);
    EXPECT_GE(s.most, 1);
    EXPECT_EQ(0u, limiter.InUse());
    EXPECT_EQ(0, limiter.Waiting());
    EXPECT_EQ(before, NextHandleValue());
}
