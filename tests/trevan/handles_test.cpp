// Handle ownership, waits, events, waitable timers and threads.
#include "TrevanTestSupport.h"

#include <Trevan/Event.h>
#include <Trevan/Monitor.h>
#include <Trevan/Thread.h>
#include <Trevan/Timer.h>

using namespace Trevan;

namespace {

const HANDLE kBogus = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x7FF0));

unsigned __stdcall ReturnArgument(void* argument) {
    return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(argument));
}

unsigned __stdcall WaitForEvent(void* event) {
    WaitForSingleObject(event, kPatience);
    return 7;
}

unsigned __stdcall AbandonMutex(void* mutex) {
    WaitForSingleObject(mutex, kPatience);
    return 0;  // ends holding it
}

struct Counter {
    volatile LONG count = 0;
    Event counted{true, false};  // set by every count
};

unsigned __stdcall CountForever(void* argument) {
    auto* counter = static_cast<Counter*>(argument);
    for (;;) {
        InterlockedIncrement(&counter->count);
        SetEvent(counter->counted.Get());
        Sleep(1);  // paces the count; the test waits on the event
    }
}

}  // namespace

TEST(Handle, CopyOfEmptyHandleMakesNoSystemCall) {
    SyncObject empty;
    SetLastError(0xBEEF);
    SyncObject copy(empty);  // a DuplicateHandle of null would fail and throw
    EXPECT_FALSE(copy.IsValid());
    EXPECT_EQ(nullptr, copy.Get());
    EXPECT_EQ(0xBEEFu, GetLastError());
}

TEST(Handle, CopyHoldsItsOwnInheritableDuplicate) {
    Event original(true, false);
    ASSERT_TRUE(original.IsValid());
    Event copy(original);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_NE(original.Get(), copy.Get());
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(copy.Get(), &flags));
    EXPECT_EQ(static_cast<DWORD>(HANDLE_FLAG_INHERIT), flags & HANDLE_FLAG_INHERIT);

    copy.Set();
    EXPECT_TRUE(original.TryWait());  // one kernel object
    original.Close();
    EXPECT_TRUE(copy.TryWait());  // closed independently
}

TEST(Handle, FailedDuplicationThrowsAtItsLine) {
    SyncObject bogus(kBogus);
    ExpectTrevanError([&] { SyncObject copy(bogus); }, ERROR_INVALID_HANDLE, 76);
    EXPECT_EQ(kBogus, bogus.Get());  // the source keeps its handle
    bogus.Close();
}

TEST(Handle, CloseThenDestructionClosesOnce) {
    SyncObject* owner = new SyncObject(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE value = owner->Get();
    owner->Close();
    EXPECT_EQ(nullptr, owner->Get());
    owner->Close();

    // The freed slot goes to the next handle; a second close would take it.
    Event next(true, false);
    ASSERT_EQ(value, next.Get());
    delete owner;
    EXPECT_TRUE(next.Set());
    EXPECT_TRUE(next.TryWait());
}

TEST(SyncObject, WaitResults) {
    Event event(true, false);
    DWORD start = GetTickCount();
    EXPECT_FALSE(event.Wait(0));
    EXPECT_FALSE(event.TryWait());
    EXPECT_LT(GetTickCount() - start, 10000u);  // far below any wait, however busy the machine
    event.Set();
    EXPECT_TRUE(event.Wait(INFINITE));

    EXPECT_FALSE(SyncObject().Wait(INFINITE));  // empty: false at once
    SyncObject bogus(kBogus);
    EXPECT_FALSE(bogus.Wait(10));
    bogus.Close();
}

TEST(SyncObject, AbandonedMutexCountsAsSignalled) {
    SyncObject mutex(CreateMutexA(nullptr, FALSE, nullptr));
    Thread owner;
    ASSERT_NE(0u, owner.Start(&AbandonMutex, mutex.Get()));
    ASSERT_TRUE(owner.Wait(kPatience));
    EXPECT_TRUE(mutex.Wait(0));  // WAIT_ABANDONED: the mutex is ours now
    ReleaseMutex(mutex.Get());
}

TEST(Event, CallsOnAnEmptyEventThrowAtTheirLines) {
    Event empty(nullptr);
    EXPECT_FALSE(empty.IsValid());
    ExpectTrevanError([&] { empty.Set(); }, ERROR_INVALID_HANDLE, 190);
    ExpectTrevanError([&] { empty.Reset(); }, ERROR_INVALID_HANDLE, 194);
    ExpectTrevanError([&] { empty.Pulse(); }, ERROR_INVALID_HANDLE, 198);
}

TEST(Timer, FiresOnceAfterItsDueTimeAndCancels) {
    Timer timer(true);
    ASSERT_TRUE(timer.IsValid());
    EXPECT_FALSE(timer.TryWait());
    EXPECT_TRUE(timer.Set(-20 * 10000LL, 0));  // 20 ms from now
    EXPECT_TRUE(timer.Wait(kPatience));

    EXPECT_TRUE(timer.Set(-60 * 10000000LL, 0));  // a minute: resets the signal
    EXPECT_FALSE(timer.TryWait());
    EXPECT_TRUE(timer.Cancel());
    EXPECT_FALSE(timer.Wait(50));

    Timer empty(nullptr);
    ExpectTrevanError([&] { empty.Set(-1, 0); }, ERROR_INVALID_HANDLE, 219);
    ExpectTrevanError([&] { empty.Cancel(); }, ERROR_INVALID_HANDLE, 223);
}

TEST(Thread, StartsSuspendedOnRequestAndReportsTheExitCode) {
    Event release(true, false);
    Thread thread;
    ASSERT_NE(0u, thread.Start(&WaitForEvent, release.Get(), true));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), thread.ExitCode());
    release.Set();
    EXPECT_FALSE(thread.Wait(50));  // suspended
    EXPECT_TRUE(thread.Resume());
    ASSERT_TRUE(thread.Wait(kPatience));
    EXPECT_EQ(7u, thread.ExitCode());
}

TEST(Thread, SuspendReturnsTrueWhateverTheCount) {
    // No assertion returns before Terminate: the thread counts on the stack.
    Counter counter;
    Thread thread;
    ASSERT_NE(0u, thread.Start(&CountForever, &counter));
    EXPECT_TRUE(counter.counted.Wait(kPatience));
    EXPECT_TRUE(thread.Suspend());
    EXPECT_TRUE(thread.Suspend());  // count 2: still true
    LONG frozen = counter.count;
    counter.counted.Reset();
    EXPECT_FALSE(counter.counted.Wait(30));  // suspended: no count
    EXPECT_EQ(frozen, counter.count);
    EXPECT_TRUE(thread.Resume());
    EXPECT_TRUE(thread.Resume());
    EXPECT_TRUE(counter.counted.Wait(kPatience));
    EXPECT_GT(counter.count, frozen);
    EXPECT_TRUE(thread.Terminate(99));
    ASSERT_TRUE(thread.Wait(kPatience));
    EXPECT_EQ(99u, thread.ExitCode());
}

TEST(Thread, StartClosesTheHandleItHeld) {
    Event release(true, false);
    Thread thread;
    ASSERT_NE(0u, thread.Start(&WaitForEvent, release.Get()));
    HANDLE first = thread.Get();
    SyncObject watch(thread);  // our own view of the first thread

    ASSERT_NE(0u, thread.Start(&ReturnArgument, reinterpret_cast<void*>(5)));
    // The first handle was closed before the new thread began, so the new
    // one takes its slot, while the first thread runs on unwatched.
    EXPECT_EQ(first, thread.Get());
    ASSERT_TRUE(thread.Wait(kPatience));
    EXPECT_EQ(5u, thread.ExitCode());
    EXPECT_FALSE(watch.TryWait());
    release.Set();
    EXPECT_TRUE(watch.Wait(kPatience));
}

TEST(Thread, FailedStartAndCallsOnAnEmptyThread) {
    Thread thread;
    // The run time refuses a null procedure: the start fails quietly.
    EXPECT_EQ(0u, thread.Start(nullptr, nullptr));
    EXPECT_FALSE(thread.IsValid());
    ExpectTrevanError([&] { thread.Suspend(); }, ERROR_INVALID_HANDLE, 157);
    ExpectTrevanError([&] { thread.Resume(); }, ERROR_INVALID_HANDLE, 161);
    ExpectTrevanError([&] { thread.Terminate(1); }, ERROR_INVALID_HANDLE, 165);
    ExpectTrevanError([&] { thread.ExitCode(); }, ERROR_INVALID_HANDLE, 170);
}

namespace {

// Notify sets the event the monitor owns, under the monitor's lock.
class Bell : public Monitor {
public:
    Bell() : Monitor(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    void Notify() override {
        Lock hold(Section());
        SetEvent(Get());
    }
};

}  // namespace

TEST(Monitor, OwnsItsHandleAndLock) {
    Monitor* bell = new Bell;
    ASSERT_TRUE(bell->IsValid());
    SyncObject view(*bell);
    EXPECT_FALSE(view.TryWait());
    bell->Notify();
    EXPECT_TRUE(view.TryWait());
    HANDLE value = bell->Get();
    bell->Close();
    EXPECT_FALSE(bell->IsValid());
    EXPECT_EQ(value, NextHandleValue());
    delete bell;
}
