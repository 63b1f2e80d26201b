#include "Processes/KeptProcesses.h"

#include <utility>

#include <checks.h>

void KeptProcesses::Keep(DWORD id, KernelHandle process) {
    Trevan::Lock hold(lock_);
    processes_[next_] = std::move(process);
    ids_[next_] = id;
    next_ = (next_ + 1) % capacity;
}

KernelHandle KeptProcesses::Find(DWORD id) const {
    Trevan::Lock hold(lock_);
    for (size_t n = 1; n <= capacity; ++n) {
        size_t at = (next_ + capacity - n) % capacity;  // the newest first
        if (!processes_[at] || ids_[at] != id) continue;
        HANDLE copy = nullptr;
        THROW_IF_WIN32_FALSE(DuplicateHandle(GetCurrentProcess(), processes_[at].get(), GetCurrentProcess(), &copy, 0,
                                             FALSE, DUPLICATE_SAME_ACCESS));
        return KernelHandle(copy);
    }
    return KernelHandle();
}
