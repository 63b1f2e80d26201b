#include "Handle.h"

#include <FixedPositions.h>
#include <exceptions.h>

#include "SyncObject.h"

namespace Trevan {

Handle::Handle(const Handle& other) : handle_(nullptr) {
    if (!other.IsValid()) return;
    HANDLE process = GetCurrentProcess();
    HANDLE copy = nullptr;
    CheckSystemCall(DuplicateHandle(process, other.handle_, process, &copy, 0, TRUE,
                                    DUPLICATE_SAME_ACCESS),
                    FixedAt::kTrevanDuplicateHandle);
    handle_ = copy;
}

void Handle::Close() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    if (handle) CloseHandle(handle);
}

bool SyncObject::Wait(DWORD milliseconds) const {
    if (!handle_) return false;
    DWORD result = WaitForSingleObject(handle_, milliseconds);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

}  // namespace Trevan
