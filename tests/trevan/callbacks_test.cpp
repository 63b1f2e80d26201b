// Thread-pool waits, joints, timer queues and one-time window notification.
#include "TrevanTestSupport.h"

#include <Trevan/Event.h>
#include <Trevan/NotifyOnSignal.h>
#include <Trevan/SyncJoint.h>
#include <Trevan/TimerQueue.h>
#include <Trevan/WaitCallback.h>

using namespace Trevan;

namespace {

// Counts its calls; optionally holds each call until the gate opens, or
// releases itself from inside (set before registering, so the first call
// already does).
class Probe : public WaitCallback {
public:
    Probe(const SyncObject& object, DWORD milliseconds, ULONG flags, HANDLE gate = nullptr,
          bool releaseFromInside = false)
        : WaitCallback(object, milliseconds, flags), releaseInside(releaseFromInside), gate_(gate),
          entered_(true, false), left_(true, false) {
        Register();
    }
    ~Probe() override { Release(); }

    void OnSignal(bool timedOut) override {
        InterlockedIncrement(&calls);
        if (timedOut) InterlockedIncrement(&timeouts);
        entered_.Set();
        if (gate_) WaitForSingleObject(gate_, kPatience);
        if (releaseInside) Release();
        InterlockedExchange(&left, InterlockedIncrement(&sequence));
        left_.Set();
    }

    volatile LONG calls = 0, timeouts = 0, left = 0;
    const bool releaseInside;
    using WaitCallback::Section;
    static volatile LONG sequence;
    HANDLE gate_;
    Event entered_;  // set by every call as it starts
    Event left_;     // set by every call as it ends
};
volatile LONG Probe::sequence = 0;

struct ReleaseJob {
    WaitCallback* callback;
    volatile LONG returned;
};

unsigned __stdcall ReleaseOnThread(void* argument) {
    auto* job = static_cast<ReleaseJob*>(argument);
    job->callback->Release();
    InterlockedExchange(&job->returned, InterlockedIncrement(&Probe::sequence));
    return 0;
}

struct Ticks {
    volatile LONG count = 0;
    Event ticked{true, false};
};

VOID CALLBACK CountTicks(PVOID argument, BOOLEAN) {
    auto* ticks = static_cast<Ticks*>(argument);
    InterlockedIncrement(&ticks->count);
    ticks->ticked.Set();
}

// Holds its pool thread until the gate opens.
struct SlowTick {
    Event entered{true, false};
    Event gate{true, false};
    volatile LONG finished = 0;
};

VOID CALLBACK SlowCallback(PVOID argument, BOOLEAN) {
    auto* tick = static_cast<SlowTick*>(argument);
    tick->entered.Set();
    tick->gate.Wait(kPatience);
    InterlockedExchange(&tick->finished, 1);
}

// A destruction run on a thread of its own; notes whether the slow callback
// had finished when it returned.
struct Destruction {
    std::function<void()> destroy;
    const SlowTick* tick;
    volatile LONG finishedAtReturn;
};

unsigned __stdcall Destroy(void* argument) {
    auto* job = static_cast<Destruction*>(argument);
    job->destroy();
    InterlockedExchange(&job->finishedAtReturn, job->tick->finished);
    return 0;
}

// Each wait needs a call that set the event after the last reset: n rounds
// see n calls at least.
bool AtLeastCalls(Event& event, int n) {
    for (int i = 0; i < n; ++i) {
        if (!event.Wait(kPatience)) return false;
        event.Reset();
    }
    return true;
}

}  // namespace

TEST(WaitCallback, SignalAndTimeOutReachOnSignal) {
    Event object(true, false);
    Probe signalled(object, INFINITE, WT_EXECUTEONLYONCE);
    EXPECT_TRUE(signalled.IsRegistered());
    EXPECT_FALSE(signalled.entered_.Wait(30));
    object.Set();
    ASSERT_TRUE(signalled.entered_.Wait(kPatience));
    EXPECT_TRUE(signalled.left_.Wait(kPatience));
    EXPECT_EQ(1, signalled.calls);
    EXPECT_EQ(0, signalled.timeouts);

    Event never(true, false);
    Probe timed(never, 20, WT_EXECUTEONLYONCE);
    ASSERT_TRUE(timed.entered_.Wait(kPatience));
    EXPECT_TRUE(timed.left_.Wait(kPatience));
    EXPECT_EQ(1, timed.timeouts);

    timed.Release();
    EXPECT_FALSE(timed.IsRegistered());
    timed.Release();  // a second release does nothing
}

TEST(WaitCallback, ReleaseReturnsOnlyAfterTheRunningCallbackLeft) {
    Event object(true, true);
    Event gate(true, false);
    Probe probe(object, INFINITE, WT_EXECUTEONLYONCE, gate.Get());
    ASSERT_TRUE(probe.entered_.Wait(kPatience));

    ReleaseJob job = {&probe, 0};
    Thread releaser;
    ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
    EXPECT_FALSE(releaser.Wait(100));  // held up by the callback
    gate.Set();
    ASSERT_TRUE(releaser.Wait(kPatience));
    EXPECT_NE(0, probe.left);
    EXPECT_LT(probe.left, job.returned);
    EXPECT_EQ(1, probe.calls);
}

TEST(WaitCallback, ReleaseDoesNotWaitUnderTheLockForAQueuedCallback) {
    // The callback and Release both wait for the lock, in either order;
    // Release must come back, and no call may follow it. On a hang the probe
    // is left behind rather than destroyed under a stuck thread. A thread
    // waiting for a critical section sets no event: its place in the
    // section's count of waiters shows that it arrived.
    for (int i = 0; i < 8; ++i) {
        Event object(true, false);
        Probe* probe = new Probe(object, INFINITE, WT_EXECUTEONLYONCE);
        CriticalSection& section = probe->Section();
        section.Enter();
        EXPECT_EQ(0, Waiters(section));
        ReleaseJob job = {probe, 0};
        Thread releaser;
        if (i % 2) {
            ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
            EXPECT_TRUE(WaitUntil([&] { return Waiters(section) == 1; })) << "Release did not reach the lock";
        }
        object.Set();
        EXPECT_TRUE(WaitUntil([&] { return Waiters(section) == 1 + i % 2; })) << "the callback did not reach the lock";
        if (i % 2 == 0) {
            ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
            EXPECT_TRUE(WaitUntil([&] { return Waiters(section) == 2; })) << "Release did not reach the lock";
        }
        section.Leave();
        ASSERT_TRUE(releaser.Wait(kPatience)) << "Release hung";
        LONG calls = probe->calls;
        EXPECT_LE(calls, 1);
        probe->entered_.Reset();
        EXPECT_FALSE(probe->entered_.Wait(10));  // no call after Release
        EXPECT_EQ(calls, probe->calls);
        delete probe;
    }
}

TEST(WaitCallback, NoCallbackRunsAfterRelease) {
    // A signalled manual-reset event without "only once" fires continuously.
    Event object(true, true);
    Probe* probe = new Probe(object, INFINITE, WT_EXECUTEDEFAULT);
    ASSERT_TRUE(AtLeastCalls(probe->entered_, 20));
    ReleaseJob job = {probe, 0};
    Thread releaser;
    ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
    ASSERT_TRUE(releaser.Wait(kPatience)) << "Release hung";
    LONG atRelease = probe->calls;
    EXPECT_GE(atRelease, 20);
    probe->entered_.Reset();
    EXPECT_FALSE(probe->entered_.Wait(50));  // no call after Release
    EXPECT_EQ(atRelease, probe->calls);
    delete probe;
}

TEST(WaitCallback, DestructionWhileFiringLeavesNoLateCallback) {
    Event object(true, true);
    for (int i = 0; i < 20; ++i) {
        Probe* probe = new Probe(object, INFINITE, WT_EXECUTEDEFAULT);
        ASSERT_TRUE(probe->entered_.Wait(kPatience));
        delete probe;  // a late callback would touch freed memory
    }
}

TEST(WaitCallback, ReleaseFromInsideOnSignalDoesNotWaitForItself) {
    Event object(true, true);
    Probe probe(object, INFINITE, WT_EXECUTEDEFAULT, nullptr, true);
    ASSERT_TRUE(probe.left_.Wait(kPatience));
    EXPECT_FALSE(probe.IsRegistered());
    EXPECT_EQ(1, probe.calls);  // calls queued behind the first find the wait gone
    probe.entered_.Reset();
    EXPECT_FALSE(probe.entered_.Wait(30));
    EXPECT_EQ(1, probe.calls);
}

TEST(WaitCallback, WatchesItsOwnDuplicate) {
    Event* object = new Event(true, false);
    Event setter(*object);
    Probe probe(*object, INFINITE, WT_EXECUTEONLYONCE);
    delete object;  // the caller's handle may go at once
    setter.Set();
    EXPECT_TRUE(probe.entered_.Wait(kPatience));
}

TEST(WaitCallback, ThousandCallbacksLeakNoHandle) {
    Event object(true, false);
    for (int i = 0; i < 20; ++i) Probe(object, INFINITE, WT_EXECUTEONLYONCE);  // the pool's own setup
    HANDLE before = NextHandleValue();
    for (int i = 0; i < 1000; ++i) {
        Probe probe(object, INFINITE, WT_EXECUTEONLYONCE);
        probe.Release();
    }
    EXPECT_EQ(before, NextHandleValue());
}

TEST(SyncJoint, SetsTheTargetOnSignalAndOnTimeOut) {
    Event object(true, false), target(true, false);
    {
        SyncJoint joint(object, target, INFINITE, WT_EXECUTEONLYONCE);
        EXPECT_FALSE(target.Wait(30));
        object.Set();
        EXPECT_TRUE(target.Wait(kPatience));
    }
    target.Reset();
    Event never(true, false);
    SyncJoint timed(never, target, 20, WT_EXECUTEONLYONCE);
    EXPECT_TRUE(target.Wait(kPatience));
}

TEST(SyncJoint, DestroyedJointSetsNothing) {
    Event object(true, false), target(true, false);
    { SyncJoint joint(object, target, INFINITE, WT_EXECUTEONLYONCE); }
    object.Set();
    EXPECT_FALSE(target.Wait(50));
}

TEST(NotifyOnSignal, SendsOneMessageWhenSignalled) {
    volatile LONG count = 0;
    WPARAM wp = 0;
    LPARAM lp = 0;
    Event arrived(true, false);
    WindowThread window([&](UINT message, WPARAM w, LPARAM l) {
        if (message != WM_APP + 1) return;
        wp = w;
        lp = l;
        InterlockedIncrement(&count);
        arrived.Set();
    });
    ASSERT_NE(nullptr, window.Window());

    Event object(true, false);
    ASSERT_TRUE(NotifyOnSignal(object.Get(), window.Window(), WM_APP + 1, 7, 9));
    EXPECT_FALSE(arrived.Wait(30));  // nothing before the signal
    EXPECT_EQ(0, count);
    object.Set();
    ASSERT_TRUE(arrived.Wait(kPatience));
    EXPECT_EQ(1, count);
    EXPECT_EQ(7u, wp);
    EXPECT_EQ(9, lp);

    // Already signalled: fires at once, and only once.
    arrived.Reset();
    ASSERT_TRUE(NotifyOnSignal(object.Get(), window.Window(), WM_APP + 1, 1, 2));
    ASSERT_TRUE(arrived.Wait(kPatience));
    EXPECT_EQ(2, count);
    EXPECT_EQ(1u, wp);
    EXPECT_EQ(2, lp);
    arrived.Reset();
    EXPECT_FALSE(arrived.Wait(30));
    EXPECT_EQ(2, count);
}

TEST(TimerQueue, PeriodicTimerStopsWhenDeleted) {
    Ticks ticks;  // outlives the queue, which a failed assertion leaves to end the timer
    TimerQueue queue;
    ASSERT_TRUE(queue.IsValid());
    TimerQueue::Timer* timer = queue.CreateTimer(&CountTicks, &ticks, 5, 5, WT_EXECUTEDEFAULT);
    ASSERT_TRUE(timer->IsValid());
    ASSERT_TRUE(AtLeastCalls(ticks.ticked, 3));
    SyncRef done = timer->Delete();
    EXPECT_FALSE(timer->IsValid());
    ASSERT_TRUE(done->Wait(kPatience));
    LONG stopped = ticks.count;
    EXPECT_GE(stopped, 3);
    ticks.ticked.Reset();
    EXPECT_FALSE(ticks.ticked.Wait(30));  // no tick after the deletion
    EXPECT_EQ(stopped, ticks.count);
    EXPECT_TRUE(timer->Delete()->TryWait());  // already deleted: set at once
    delete timer;

    SyncRef queueDone = queue.Delete();
    EXPECT_FALSE(queue.IsValid());
    EXPECT_TRUE(queueDone->Wait(kPatience));
    EXPECT_TRUE(queue.Delete()->TryWait());  // an invalid queue: set at once
}

TEST(TimerQueue, DestructionWaitsForTheRunningCallback) {
    // Each destruction runs on a thread of its own while the callback is
    // held; it may return only after the gate opened and the callback left.
    SlowTick tick;
    {
        TimerQueue queue;
        ptr<TimerQueue::Timer> timer(queue.CreateTimer(&SlowCallback, &tick, 0, 0, WT_EXECUTEDEFAULT));
        ASSERT_TRUE(tick.entered.Wait(kPatience));
        Destruction job = {[&] { timer.Release(); }, &tick, -1};
        Thread destroyer;
        ASSERT_NE(0u, destroyer.Start(&Destroy, &job));
        EXPECT_FALSE(destroyer.Wait(100));  // held up by the callback
        tick.gate.Set();
        ASSERT_TRUE(destroyer.Wait(kPatience));
        EXPECT_EQ(1, job.finishedAtReturn);
    }
    SlowTick second;
    {
        ptr<TimerQueue> queue(new TimerQueue);
        TimerQueue::Timer* timer = queue->CreateTimer(&SlowCallback, &second, 0, 0, WT_EXECUTEDEFAULT);
        ASSERT_TRUE(second.entered.Wait(kPatience));
        timer->Delete();  // not waited for: the queue's deletion covers it
        delete timer;     // already deleted: returns at once
        Destruction job = {[&] { queue.Release(); }, &second, -1};
        Thread destroyer;
        ASSERT_NE(0u, destroyer.Start(&Destroy, &job));
        EXPECT_FALSE(destroyer.Wait(100));
        second.gate.Set();
        ASSERT_TRUE(destroyer.Wait(kPatience));
        EXPECT_EQ(1, job.finishedAtReturn);
    }
}
