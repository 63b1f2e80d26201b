// FuzzRandom: the fuzzer's numbers, all from one 64-bit seed (splitmix64),
// so that a seed stands for the same draws on every machine and build.
// A run's seed gives each call's own seed (CallSeed); a call's seed gives
// everything drawn for that call, so that the call can be replayed alone.
#pragma once

#include <stdint.h>
#include <stddef.h>

class FuzzRandom {
public:
    explicit FuzzRandom(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to n - 1; 0 for n 0.
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
    // True in percent of the draws.
    bool Percent(unsigned percent) { return Below(100) < percent; }
    // One of the count weights' indexes, each as likely as its weight.
    size_t Weighted(const unsigned* weights, size_t count) {
        unsigned total = 0;
        for (size_t i = 0; i < count; ++i) total += weights[i];
        size_t pick = Below(total);
        for (size_t i = 0; i < count; ++i) {
            if (pick < weights[i]) return i;
            pick -= weights[i];
        }
        return 0;
    }

private:
    uint64_t state_;
};

// The seed of call index of the run seeded run.
inline uint64_t CallSeed(uint64_t run, uint64_t index) {
    FuzzRandom mix(run ^ (index * 0xD1B54A32D192ED03ull));
    mix.Next();
    return mix.Next();
}
