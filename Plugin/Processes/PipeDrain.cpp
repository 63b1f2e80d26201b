#include "Processes/PipeDrain.h"

#include <string.h>

#include <new>
#include <utility>

namespace {

// One drained pipe: the read under way and where it lands.
struct Drain {
    OVERLAPPED overlapped;
    KernelHandle pipe;
    char chunk[16 << 10];
};

// The drain and its pipe go.
void Finish(Drain* drain) { delete drain; }

// Starts the next read. A read that completes at once is reported to the
// port all the same, as one that waits; one that fails at once is not:
// then the writers have gone (or the pipe broke otherwise) and the drain
// ends here.
void ReadNext(Drain* drain) {
    memset(&drain->overlapped, 0, sizeof drain->overlapped);
    if (ReadFile(drain->pipe.get(), drain->chunk, sizeof drain->chunk, nullptr, &drain->overlapped) ||
        GetLastError() == ERROR_IO_PENDING)
        return;
    Finish(drain);
}

VOID CALLBACK Completed(DWORD error, DWORD, LPOVERLAPPED overlapped) {
    Drain* drain = CONTAINING_RECORD(overlapped, Drain, overlapped);
    if (error) return Finish(drain);  // ERROR_BROKEN_PIPE: every writer has gone
    ReadNext(drain);
}

// Pinned once per process: true when the module stays until the process
// ends, as the callbacks need.
bool Pinned() {
    static const bool pinned = [] {
        HMODULE module = nullptr;
        return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                  reinterpret_cast<LPCSTR>(&Completed), &module) != FALSE;
    }();
    return pinned;
}

}  // namespace

void DrainPipe(KernelHandle pipe) noexcept {
    if (!Pinned()) return;
    Drain* drain = new (std::nothrow) Drain;
    if (!drain) return;
    if (!BindIoCompletionCallback(pipe.get(), &Completed, 0)) {
        delete drain;
        return;
    }
    drain->pipe = std::move(pipe);
    ReadNext(drain);
}
