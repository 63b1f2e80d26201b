// A critical section owned by one object, and a scoped hold on it.
//
// The section is the system's recursive lock. Lock enters it on
// construction and leaves it on every exit, exceptions included; Leave lets
// go early (a caller that must wait without holding it).
#pragma once

#include <windows.h>

namespace Trevan {

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }
    CRITICAL_SECTION* Get() { return &section_; }

private:
    CRITICAL_SECTION section_;
};

class Lock {
public:
    explicit Lock(CriticalSection& section) : section_(section), held_(true) { section_.Enter(); }
    ~Lock() { Leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void Leave() {
        if (held_) {
            held_ = false;
            section_.Leave();
        }
    }

private:
    CriticalSection& section_;
    bool held_;
};

}  // namespace Trevan
