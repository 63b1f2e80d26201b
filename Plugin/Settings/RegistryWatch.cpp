#include "Settings/RegistryWatch.h"

#include <utility>

#include <checks.h>

#ifndef REG_NOTIFY_THREAD_AGNOSTIC
#define REG_NOTIFY_THREAD_AGNOSTIC 0x10000000L
#endif

RegistryWatch::RegistryWatch()
    : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      filter_(0),
      subtree_(false) {}

bool RegistryWatch::Watch(RequiredKey key, DWORD filter, bool subtree) {
    key_ = std::move(key);
    filter_ = filter;
    subtree_ = subtree;
    return Set();
}

bool RegistryWatch::Again() { return Set(); }

void RegistryWatch::Stop() {
    key_ = RequiredKey();
    if (event_) Reset();
}

// A failure names the position of every event's reset.
void RegistryWatch::Reset() { CheckSystemCall(ResetEvent(event_.get()), FixedAt::kTrevanResetEvent); }

bool RegistryWatch::Set() {
    if (!event_ || !key_) return false;
    Reset();
    // Not tied to the calling thread, which is the host's and may end.
    LONG r = RegNotifyChangeKeyValue(key_.Get(), subtree_, filter_ | REG_NOTIFY_THREAD_AGNOSTIC, event_.get(), TRUE);
    if (r == ERROR_INVALID_PARAMETER) r = RegNotifyChangeKeyValue(key_.Get(), subtree_, filter_, event_.get(), TRUE);
    return r == ERROR_SUCCESS;
}
