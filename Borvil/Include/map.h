// Sorted associations: map<keystring, string> keeps one owned assoc per key,
// ordered by the key's three-way comparison, keys unique.
#pragma once

#include <str.h>
#include "vec.h"

// One owned key/value pair. Copies share both buffers.
template <class K, class V>
struct assoc {
    assoc(const K& k, const V& v) : key(k), value(v) {}
    K key;
    V value;

    // Sort callback over two pointers to pair pointers: orders by key.
    static int Compare(const void* a, const void* b) {
        const assoc* pa = *static_cast<const assoc* const*>(a);
        const assoc* pb = *static_cast<const assoc* const*>(b);
        return K::Order(pa->key.get(), pb->key.get());
    }
};

template <class K, class V>
class map : public ivec<assoc<K, V>> {
public:
    typedef assoc<K, V> pair;

    map() : ivec<pair>(1) {}

    // Inserts (key, value) in key order and returns its index. An equal key
    // already present leaves the map unchanged and gives -1.
    int Insert(const K& key, const V& value) { return this->AddSorted(pair(key, value)); }
    // Index of key, or -1.
    int Find(const K& key) const { return this->FindSorted(pair(key, V())); }

    pair& At(int index) const { return *ivec<pair>::At(index); }
    // The value at index, or null when index is outside the map.
    V* ValueAt(int index) const {
        if (index < 0 || index >= this->Count()) return nullptr;
        return &ivec<pair>::At(index)->value;
    }
    using ivec<pair>::Insert;
};
