// Thread-pool waits, joints, timer queues and one-time window notification.
#include "TrevanTestSupport.h"

#include <Trevan/Event.h>
#include <Trevan/NotifyOnSignal.h>
#include <Trevan/SyncJoint.h>
#include <Trevan/TimerQueue.h>
#include <Trevan/WaitCallback.h>

using namespace Trevan;

namespace {

// Counts its calls; optionally holds each call until the gate opens.
class Probe : public WaitCallback {
public:
    Probe(const SyncObject& object, DWORD milliseconds, ULONG flags, HANDLE gate = nullptr)
        : WaitCallback(object, milliseconds, flags), gate_(gate), entered_(true, false) {
        Register();
    }
    ~Probe() override { Release(); }

    void OnSignal(bool timedOut) override {
        InterlockedIncrement(&calls);
        if (timedOut) InterlockedIncrement(&timeouts);
        entered_.Set();
        if (gate_) WaitForSingleObject(gate_, 5000);
        if (releaseInside) Release();
        InterlockedExchange(&left, InterlockedIncrement(&sequence));
    }

    volatile LONG calls = 0, timeouts = 0, left = 0;
    volatile bool releaseInside = false;
    using WaitCallback::Section;
    static volatile LONG sequence;
    HANDLE gate_;
    Event entered_;
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

VOID CALLBACK CountTicks(PVOID counter, BOOLEAN) { InterlockedIncrement(static_cast<volatile LONG*>(counter)); }

struct SlowTick {
    Event entered{true, false};
    volatile LONG finished = 0;
};

VOID CALLBACK SlowCallback(PVOID argument, BOOLEAN) {
    auto* tick = static_cast<SlowTick*>(argument);
    tick->entered.Set();
    Sleep(150);
    InterlockedExchange(&tick->finished, 1);
}

}  // namespace

TEST(WaitCallback, SignalAndTimeOutReachOnSignal) {
    Event object(true, false);
    Probe signalled(object, INFINITE, WT_EXECUTEONLYONCE);
    EXPECT_TRUE(signalled.IsRegistered());
    EXPECT_FALSE(signalled.entered_.Wait(30));
    object.Set();
    ASSERT_TRUE(signalled.entered_.Wait(5000));
    EXPECT_TRUE(WaitUntil([&] { return signalled.left != 0; }));
    EXPECT_EQ(1, signalled.calls);
    EXPECT_EQ(0, signalled.timeouts);

    Event never(true, false);
    Probe timed(never, 20, WT_EXECUTEONLYONCE);
    ASSERT_TRUE(timed.entered_.Wait(5000));
    EXPECT_TRUE(WaitUntil([&] { return timed.left != 0; }));
    EXPECT_EQ(1, timed.timeouts);

    timed.Release();
    EXPECT_FALSE(timed.IsRegistered());
    timed.Release();  // a second release does nothing
}

TEST(WaitCallback, ReleaseReturnsOnlyAfterTheRunningCallbackLeft) {
    Event object(true, true);
    Event gate(true, false);
    Probe probe(object, INFINITE, WT_EXECUTEONLYONCE, gate.Get());
    ASSERT_TRUE(probe.entered_.Wait(5000));

    ReleaseJob job = {&probe, 0};
    Thread releaser;
    ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
    EXPECT_FALSE(releaser.Wait(100));  // held up by the callback
    gate.Set();
    ASSERT_TRUE(releaser.Wait(5000));
    EXPECT_NE(0, probe.left);
    EXPECT_LT(probe.left, job.returned);
    EXPECT_EQ(1, probe.calls);
}

TEST(WaitCallback, ReleaseDoesNotWaitUnderTheLockForAQueuedCallback) {
    // The callback and Release both wait for the lock, in either order;
    // Release must come back, and no call may follow it. On a hang the probe
    // is left behind rather than destroyed under a stuck thread.
    for (int i = 0; i < 8; ++i) {
        Event object(true, false);
        Probe* probe = new Probe(object, INFINITE, WT_EXECUTEONLYONCE);
        probe->Section().Enter();
        ReleaseJob job = {probe, 0};
        Thread releaser;
        if (i % 2) {
            ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
        }
        Sleep(15);
        object.Set();
        Sleep(15);
        if (i % 2 == 0) {
            ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
        }
        Sleep(15);
        probe->Section().Leave();
        ASSERT_TRUE(releaser.Wait(5000)) << "Release hung";
        LONG calls = probe->calls;
        EXPECT_LE(calls, 1);
        Sleep(10);
        EXPECT_EQ(calls, probe->calls);
        delete probe;
    }
}

TEST(WaitCallback, NoCallbackRunsAfterRelease) {
    // A signalled manual-reset event without "only once" fires continuously.
    Event object(true, true);
    Probe* probe = new Probe(object, INFINITE, WT_EXECUTEDEFAULT);
    ASSERT_TRUE(WaitUntil([&] { return probe->calls >= 20; }));
    ReleaseJob job = {probe, 0};
    Thread releaser;
    ASSERT_NE(0u, releaser.Start(&ReleaseOnThread, &job));
    ASSERT_TRUE(releaser.Wait(5000)) << "Release hung";
    LONG atRelease = probe->calls;
    Sleep(50);
    EXPECT_EQ(atRelease, probe->calls);
    delete probe;
}

TEST(WaitCallback, DestructionWhileFiringLeavesNoLateCallback) {
    Event object(true, true);
    for (int i = 0; i < 20; ++i) {
        Probe* probe = new Probe(object, INFINITE, WT_EXECUTEDEFAULT);
        ASSERT_TRUE(probe->entered_.Wait(5000));
        delete probe;  // a late callback would touch freed memory
    }
}

TEST(WaitCallback, ReleaseFromInsideOnSignalDoesNotWaitForItself) {
    Event object(true, true);
    Probe probe(object, INFINITE, WT_EXECUTEDEFAULT);
    probe.releaseInside = true;  // the calls go on until one sees it
    ASSERT_TRUE(WaitUntil([&] { return probe.left != 0; }));
    EXPECT_FALSE(probe.IsRegistered());
    LONG calls = probe.calls;
    Sleep(30);
    EXPECT_EQ(calls, probe.calls);
}

TEST(WaitCallback, WatchesItsOwnDuplicate) {
    Event* object = new Event(true, false);
    Event setter(*object);
    Probe probe(*object, INFINITE, WT_EXECUTEONLYONCE);
    delete object;  // the caller's handle may go at once
    setter.Set();
    EXPECT_TRUE(probe.entered_.Wait(5000));
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
        EXPECT_TRUE(target.Wait(5000));
    }
    target.Reset();
    Event never(true, false);
    SyncJoint timed(never, target, 20, WT_EXECUTEONLYONCE);
    EXPECT_TRUE(target.Wait(5000));
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
    WindowThread window([&](UINT message, WPARAM w, LPARAM l) {
        if (message != WM_APP + 1) return;
        wp = w;
        lp = l;
        InterlockedIncrement(&count);
    });
    ASSERT_NE(nullptr, window.Window());

    Event object(true, false);
    ASSERT_TRUE(NotifyOnSignal(object.Get(), window.Window(), WM_APP + 1, 7, 9));
    Sleep(30);
    EXPECT_EQ(0, count);
    object.Set();
    ASSERT_TRUE(WaitUntil([&] { return count == 1; }));
    EXPECT_EQ(7u, wp);
    EXPECT_EQ(9, lp);

    // Already signalled: fires at once, and only once.
    ASSERT_TRUE(NotifyOnSignal(object.Get(), window.Window(), WM_APP + 1, 1, 2));
    ASSERT_TRUE(WaitUntil([&] { return count == 2; }));
    Sleep(30);
    EXPECT_EQ(2, count);
}

TEST(TimerQueue, PeriodicTimerStopsWhenDeleted) {
    TimerQueue queue;
    ASSERT_TRUE(queue.IsValid());
    volatile LONG ticks = 0;
    TimerQueue::Timer* timer = queue.CreateTimer(&CountTicks, const_cast<LONG*>(&ticks), 5, 5, WT_EXECUTEDEFAULT);
    ASSERT_TRUE(timer->IsValid());
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 3; }));
    SyncRef done = timer->Delete();
    EXPECT_FALSE(timer->IsValid());
    ASSERT_TRUE(done->Wait(5000));
    LONG stopped = ticks;
    Sleep(30);
    EXPECT_EQ(stopped, ticks);
    EXPECT_TRUE(timer->Delete()->TryWait());  // already deleted: set at once
    delete timer;

    SyncRef queueDone = queue.Delete();
    EXPECT_FALSE(queue.IsValid());
    EXPECT_TRUE(queueDone->Wait(5000));
    EXPECT_TRUE(queue.Delete()->TryWait());  // an invalid queue: set at once
}

TEST(TimerQueue, DestructionWaitsForTheRunningCallback) {
    SlowTick tick;
    {
        TimerQueue queue;
        ptr<TimerQueue::Timer> timer(queue.CreateTimer(&SlowCallback, &tick, 0, 0, WT_EXECUTEDEFAULT));
        ASSERT_TRUE(tick.entered.Wait(5000));
        timer.Release();
        EXPECT_EQ(1, tick.finished);
    }
    SlowTick second;
    {
        TimerQueue queue;
        TimerQueue::Timer* timer = queue.CreateTimer(&SlowCallback, &second, 0, 0, WT_EXECUTEDEFAULT);
        ASSERT_TRUE(second.entered.Wait(5000));
        timer->Delete();  // not waited for: the queue's deletion covers it
        delete timer;     // already deleted: returns at once
    }
    EXPECT_EQ(1, second.finished);
}
