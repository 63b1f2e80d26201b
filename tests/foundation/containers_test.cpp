// Owning vectors and the sorted map.
#include <gtest/gtest.h>

#include <map.h>

namespace {

// Counts live instances so tests see exactly what a container deleted.
struct Tracked {
    static int alive;
    explicit Tracked(int v) : value(v) { ++alive; }
    ~Tracked() { --alive; }
    int value;
};
int Tracked::alive = 0;

class OwningVector : public ::testing::Test {
protected:
    void SetUp() override { Tracked::alive = 0; }
    void Fill(ivec<Tracked>& v, int n) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(i, v.Add(new Tracked(i)));
    }
};

}  // namespace

TEST_F(OwningVector, RangeRemovalClampsAndDeletesOwnedElements) {
    ivec<Tracked> v;
    Fill(v, 3);
    EXPECT_EQ(0, v.Delete(5, -1));
    EXPECT_EQ(3, v.Count());
    EXPECT_EQ(0, v.Delete(-1, 1));
    EXPECT_EQ(2, v.Delete(1, 10));
    ASSERT_EQ(1, v.Count());
    EXPECT_EQ(0, v[0]->value);
    EXPECT_EQ(1, Tracked::alive);
}

TEST_F(OwningVector, EmptyVectorRemovesNothing) {
    ivec<Tracked> v;
    EXPECT_EQ(0, v.Delete(0, -1));
    EXPECT_EQ(0, v.Delete(0));
}

TEST_F(OwningVector, InsertAtMinusOneOrBeyondAppends) {
    ivec<Tracked> v;
    Fill(v, 2);
    EXPECT_EQ(2, v.Insert(-1, new Tracked(7)));
    EXPECT_EQ(3, v.Insert(99, new Tracked(8)));
    EXPECT_EQ(0, v.Insert(0, new Tracked(9)));
    int expected[] = {9, 0, 1, 7, 8};
    ASSERT_EQ(5, v.Count());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], v[i]->value) << i;
}

TEST_F(OwningVector, SetReplacesAndDeletesTheOldElementOnce) {
    ivec<Tracked> v;
    Fill(v, 2);
    Tracked* same = v[1];
    EXPECT_EQ(1, v.Set(1, same));  // the same element is kept, not deleted
    EXPECT_EQ(2, Tracked::alive);
    EXPECT_EQ(0, v.Set(0, new Tracked(5)));
    EXPECT_EQ(2, Tracked::alive);
    EXPECT_EQ(2, v.Set(-1, new Tracked(6)));
    EXPECT_EQ(3, v.Count());
}

TEST_F(OwningVector, DestructionDeletesOwnedAndSparesBorrowed) {
    Tracked kept(1);
    {
        ivec<Tracked> owning;
        Fill(owning, 40);  // several growth steps
        ivec<Tracked> borrowing(0);
        borrowing.Add(&kept);
        EXPECT_EQ(41, Tracked::alive);
    }
    EXPECT_EQ(1, Tracked::alive);
}

TEST(SortedKeys, InsertKeepsOrderAndRefusesEqualNamesInOtherCase) {
    ivec<keystring> names;
    EXPECT_EQ(0, names.AddSorted(keystring("mike")));
    EXPECT_EQ(0, names.AddSorted(keystring("Alpha")));
    EXPECT_EQ(2, names.AddSorted(keystring("zulu")));
    EXPECT_EQ(1, names.AddSorted(keystring("beta")));
    EXPECT_EQ(-1, names.AddSorted(keystring("MIKE")));
    ASSERT_EQ(4, names.Count());
    EXPECT_STREQ("Alpha", names[0]->c_str());
    EXPECT_STREQ("mike", names[2]->c_str());
    EXPECT_EQ(2, names.FindSorted(keystring("Mike")));
    EXPECT_EQ(-1, names.FindSorted(keystring("delta")));
}

TEST(Map, InsertFindAndValueAt) {
    map<keystring, string> m;
    EXPECT_EQ(-1, m.Find(keystring("x")));
    EXPECT_EQ(0, m.Insert(keystring("Path"), string("C:\\")));
    EXPECT_EQ(0, m.Insert(keystring("Host"), string("h1")));
    EXPECT_EQ(-1, m.Insert(keystring("PATH"), string("other")));
    ASSERT_EQ(2, m.Count());
    int at = m.Find(keystring("path"));
    ASSERT_EQ(1, at);
    EXPECT_STREQ("Path", m.At(at).key.c_str());
    EXPECT_STREQ("C:\\", m.ValueAt(at)->c_str());
    EXPECT_EQ(nullptr, m.ValueAt(-1));
    EXPECT_EQ(nullptr, m.ValueAt(m.Count()));
    m.Delete(0);
    EXPECT_EQ(0, m.Find(keystring("Path")));
}

TEST(Map, PairsShareTheCallersBuffers) {
    map<keystring, string> m;
    keystring k("name");
    string v("value");
    m.Insert(k, v);
    EXPECT_TRUE(m.At(0).key.SameBuffer(k));
    EXPECT_TRUE(m.At(0).value.SameBuffer(v));
}

TEST(Map, TenThousandNamesStaySortedAndFindable) {
    map<keystring, string> m;
    char name[32];
    for (int i = 0; i < 10000; ++i) {
        snprintf(name, sizeof name, "Name%05d", (i * 7919) % 10000);
        ASSERT_GE(m.Insert(keystring(name), string(name)), 0) << name;
    }
    ASSERT_EQ(10000, m.Count());
    for (int i = 1; i < m.Count(); ++i) ASSERT_TRUE(m.At(i).key > m.At(i - 1).key) << i;
    EXPECT_EQ(4242, m.Find(keystring("name04242")));
}

TEST_F(OwningVector, OwningPointerDeletesOnceAndKeepsAReassignedSelf) {
    ptr<Tracked> p(new Tracked(1));
    p.Release();
    p.Release();
    EXPECT_EQ(0, Tracked::alive);
    Tracked* t = new Tracked(2);
    p = t;
    p = t;  // the same object again: not deleted
    EXPECT_EQ(1, Tracked::alive);
    p = new Tracked(3);
    EXPECT_EQ(1, Tracked::alive);
    EXPECT_EQ(3, p->value);
}

TEST_F(OwningVector, SharedOwnersDeleteWithTheLastReference) {
    rptr<Tracked>* shared = new rptr<Tracked>(new Tracked(1));
    EXPECT_EQ(0, shared->RefCount());
    shared->AddRef();
    shared->AddRef();
    EXPECT_EQ(1, shared->Release());
    EXPECT_EQ(1, Tracked::alive);
    EXPECT_EQ(0, shared->Release());
    EXPECT_EQ(0, Tracked::alive);
}
