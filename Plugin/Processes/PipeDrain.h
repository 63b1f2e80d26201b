// DrainPipe: what a kept program still writes to its captured output after
// aRvik.Execute has stopped waiting for it is read and dropped, so that its
// writes go on succeeding (a closed pipe would fail them with error 232,
// and many programs end on a failed write).
//
// The reads are overlapped and their completions go to the system's I/O
// thread pool (BindIoCompletionCallback): no thread waits for any one
// program, and each drained pipe holds one small buffer. Windows runs the
// callbacks on its I/O worker threads; Wine on the one thread that serves
// its pool's completion port. When every writer has closed its end (the
// program and whatever inherited the pipe have ended), the last read fails
// with ERROR_BROKEN_PIPE and the pipe is closed.
//
// The callbacks are code of this module: the first drain pins the module
// in the process, so that no unload can pull it away from a read still
// under way.
#pragma once

#include <owned.h>

// Takes over pipe, the reading end of a pipe opened for overlapped reads
// with no read under way and bound to no completion port, and drops what
// arrives until the writers have gone. Never fails: should the system
// refuse it (no memory, no pinning, no binding), the pipe is closed, as
// without a drain.
void DrainPipe(KernelHandle pipe) noexcept;
