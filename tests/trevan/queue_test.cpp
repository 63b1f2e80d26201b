// The locked record queue and its window notification.
#include "TrevanTestSupport.h"

#include <vector>

#include <fwbase/Format.h>
#include <Trevan/MessageQueue.h>

using namespace Trevan;

namespace {

const UINT kArrived = WM_APP + 2;

// A record as the script log's writer queues them: a value and a text.
struct Record {
    Record(DWORD value, const string& text) : value(value), text(text) {}
    DWORD value;
    string text;
};

// Counts destructions, to see who deletes records.
struct Tracked {
    explicit Tracked(volatile LONG* deaths) : deaths(deaths) {}
    ~Tracked() { InterlockedIncrement(deaths); }
    volatile LONG* deaths;
};

struct Producer {
    MessageQueue<Record>* queue;
    DWORD id;
};

const int kPerProducer = 2000;

unsigned __stdcall Produce(void* argument) {
    auto* p = static_cast<Producer*>(argument);
    for (int i = 0; i < kPerProducer; ++i)
        if (!p->queue->Put(new Record(p->id, FormatBuffer(32, "%lu:%d", p->id, i)))) return 1;
    return 0;
}

}  // namespace

TEST(MessageQueue, OneNotificationForEachRunOfRecords) {
    volatile LONG posted = 0;
    WindowThread window([&](UINT message, WPARAM w, LPARAM l) {
        if (message == kArrived && w == 0 && l == 0) InterlockedIncrement(&posted);
    });
    ASSERT_NE(nullptr, window.Window());
    MessageQueue<Record> queue;
    queue.SetNotify(window.Window(), kArrived);

    ASSERT_TRUE(queue.Put(new Record(1, "first")));
    ASSERT_TRUE(queue.Put(new Record(2, "second")));
    ASSERT_TRUE(queue.Put(new Record(3, "third")));
    ASSERT_TRUE(window.Flush());  // Put posts at once: every message is in
    EXPECT_EQ(1, posted);
    Event nonEmpty = queue.NonEmpty();
    EXPECT_TRUE(nonEmpty.TryWait());

    const char* texts[] = {"first", "second", "third"};
    for (DWORD i = 0; i < 3; ++i) {
        ptr<Record> record(queue.Get());
        ASSERT_TRUE(record);
        EXPECT_EQ(i + 1, record->value);
        EXPECT_STREQ(texts[i], record->text);
    }
    EXPECT_FALSE(nonEmpty.TryWait());  // reset with the last record

    ASSERT_TRUE(queue.Put(new Record(4, "again")));  // a new run
    ASSERT_TRUE(window.Flush());
    EXPECT_EQ(2, posted);
    delete queue.Get();

    queue.SetNotify(window.Window(), 0);  // message 0 posts nothing
    ASSERT_TRUE(queue.Put(new Record(5, "quiet")));
    ASSERT_TRUE(window.Flush());
    EXPECT_EQ(2, posted);
    queue.Clear();
}

TEST(MessageQueue, GetOnAnEmptyQueueReturnsNullAndLeavesTheEventReset) {
    MessageQueue<Record> queue;
    Event nonEmpty = queue.NonEmpty();
    EXPECT_EQ(nullptr, queue.Get());
    EXPECT_FALSE(nonEmpty.TryWait());
    EXPECT_FALSE(queue.Put(nullptr));
    EXPECT_FALSE(nonEmpty.TryWait());
    ASSERT_TRUE(queue.Put(new Record(0, "x")));
    EXPECT_TRUE(nonEmpty.TryWait());
    queue.SetNotify(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FF0)), kArrived);  // no such window
    ASSERT_TRUE(queue.Put(new Record(0, "y")));
    EXPECT_EQ(2, queue.Count());
    queue.Clear();
    EXPECT_EQ(0, queue.Count());
    EXPECT_FALSE(nonEmpty.TryWait());
    EXPECT_EQ(nullptr, queue.Get());
}

TEST(MessageQueue, ClearAndDestructionDeleteQueuedRecords) {
    volatile LONG deaths = 0;
    {
        MessageQueue<Tracked> queue;
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue.Put(new Tracked(&deaths)));
        queue.Clear();
        EXPECT_EQ(3, deaths);
        ASSERT_TRUE(queue.Put(new Tracked(&deaths)));
        ASSERT_TRUE(queue.Put(new Tracked(&deaths)));
        delete queue.Get();  // the caller's to delete
        EXPECT_EQ(4, deaths);
    }
    EXPECT_EQ(5, deaths);
}

TEST(MessageQueue, EightProducersOneWindowConsumerLoseNoRecord) {
    MessageQueue<Record> queue;
    volatile LONG received = 0, disorder = 0;
    std::vector<int> next(8, 0);
    WindowThread window([&](UINT message, WPARAM, LPARAM) {
        if (message != kArrived) return;
        // Woken once per run: drain it all.
        while (Record* record = queue.Get()) {
            char expected[32];
            wsprintfA(expected, "%lu:%d", record->value, next[record->value]);
            if (record->value >= 8 || lstrcmpA(expected, record->text) != 0) InterlockedIncrement(&disorder);
            else ++next[record->value];
            delete record;
            InterlockedIncrement(&received);
        }
    });
    ASSERT_NE(nullptr, window.Window());
    queue.SetNotify(window.Window(), kArrived);

    Producer producers[8];
    Thread threads[8];
    for (DWORD i = 0; i < 8; ++i) {
        producers[i] = {&queue, i};
        ASSERT_NE(0u, threads[i].Start(&Produce, &producers[i]));
    }
    for (auto& t : threads) ASSERT_TRUE(t.Wait(kPatience));
    for (auto& t : threads) EXPECT_EQ(0u, t.ExitCode());
    // A record that found the queue empty posted a message; any other is
    // taken by the same drain as the records before it. All those messages
    // are handled once the window has flushed.
    EXPECT_TRUE(window.Flush());
    EXPECT_EQ(8 * kPerProducer, received);
    EXPECT_EQ(0, disorder);
    EXPECT_EQ(0, queue.Count());
}
