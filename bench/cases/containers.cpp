// containers: map<keystring, string> against std::map with a comparator
// that ignores case by the same rule (lstrcmpiA): 10,000 names inserted in
// a shuffled order into an empty map, then each found again, asked for in
// capitals. Keys and probes are made before the timing.
#include "Cases.h"

#include <stdio.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include <exceptions.h>
#include <map.h>

namespace {

const int kNames = 10000;

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return lstrcmpiA(a.c_str(), b.c_str()) < 0; }
};

}  // namespace

void ContainersCase(const Context& c) {
    std::vector<std::string> names, probes;
    for (int i = 0; i < kNames; ++i) {
        char name[32];
        snprintf(name, sizeof name, "Session.Name%05d", i);
        names.push_back(name);
        for (char& ch : name) ch = char(toupper(static_cast<unsigned char>(ch)));
        probes.push_back(name);
    }
    std::mt19937 random(20261207);
    std::vector<int> order(kNames);
    for (int i = 0; i < kNames; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<keystring> keys, keyProbes;
    std::vector<std::string> stdKeys, stdProbes;
    for (int i : order) {
        keys.push_back(keystring(string(names[i].c_str())));
        stdKeys.push_back(names[i]);
        keyProbes.push_back(keystring(string(probes[i].c_str())));
        stdProbes.push_back(probes[i]);
    }
    const string value("value");
    const std::string stdValue("value");
    Plan plan = Budget(c, 3.0, 5, 51);

    std::vector<Result> inserts = Measure(plan, {Variant{kNames, [&] {
        map<keystring, string> m;
        Stopwatch watch;
        for (const keystring& k : keys)
            if (m.Insert(k, value) < 0) throw KLAppException("a name was refused");
        return watch.Seconds();
    }, ""}, Variant{kNames, [&] {
        std::map<std::string, std::string, NoCaseLess> m;
        Stopwatch watch;
        for (const std::string& k : stdKeys)
            if (!m.emplace(k, stdValue).second) throw KLAppException("a name was refused");
        return watch.Seconds();
    }, ""}});

    map<keystring, string> ours;
    std::map<std::string, std::string, NoCaseLess> theirs;
    for (int i = 0; i < kNames; ++i) {
        ours.Insert(keys[i], value);
        theirs.emplace(stdKeys[i], stdValue);
    }
    std::vector<Result> finds = Measure(plan, {Variant{kNames, [&] {
        int found = 0;
        Stopwatch watch;
        for (const keystring& k : keyProbes) found += ours.Find(k) >= 0;
        double seconds = watch.Seconds();
        if (found != kNames) throw KLAppException("a name was not found");
        return seconds;
    }, ""}, Variant{kNames, [&] {
        int found = 0;
        Stopwatch watch;
        for (const std::string& k : stdProbes) found += theirs.find(k) != theirs.end();
        double seconds = watch.Seconds();
        if (found != kNames) throw KLAppException("a name was not found");
        return seconds;
    }, ""}});
    const Result &ourInsert = inserts[0], &stdInsert = inserts[1], &ourFind = finds[0], &stdFind = finds[1];

    const char* group = "map, 10,000 names";
    c.table->Add({group, "map<keystring, string> Insert", ourInsert, "", "", ""});
    std::string insertRatio = Ratio(ourInsert, stdInsert), findRatio = Ratio(ourFind, stdFind);
    c.table->Add({group, "std::map, lstrcmpiA order: insert", stdInsert, insertRatio, "ratio <= 1.0",
                  insertRatio.empty() ? "" : Verdict(ourInsert.median <= stdInsert.median)});
    c.table->Add({group, "map<keystring, string> Find", ourFind, "", "", ""});
    c.table->Add({group, "std::map, lstrcmpiA order: find", stdFind, findRatio, "ratio <= 1.0",
                  findRatio.empty() ? "" : Verdict(ourFind.median <= stdFind.median)});
}
