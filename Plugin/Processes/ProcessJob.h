// The job object of a program that aRvik.Kill may end together with every
// process it starts. The program is created suspended, put in the job and
// only then let run, so that nothing it starts is outside the job.
//
// The job ends nothing by itself: closing it leaves its processes running
// (no kill on close), so a program that ends in time leaves whatever it
// started as it would without a job.
//
// A host that runs in a job of its own: the program is started with
// CREATE_BREAKAWAY_FROM_JOB, so where the host's job allows breakaway the
// program is in no job but its own (and no longer under the host job's
// limits). Where it does not, the program starts in the host's job: from
// Windows 8 on, jobs nest and the program's job lies inside the host's.
// Earlier systems put a process in one job only and refuse the second; the
// program, which has not yet run, is then ended and the start fails, naming
// the system's error.
//
// The job allows breakaway in turn: a process that the program starts with
// CREATE_BREAKAWAY_FROM_JOB leaves the job, and aRvik.Kill does not end it.
// Such a process asks to outlive its starter's job; refused, its start
// would fail, which the program may not survive. Everything else the
// program starts, and what those start, stays in the job.
#pragma once

#include <windows.h>

#include <owned.h>
#include <str.h>

// A new job whose processes may break away, without limits otherwise; a
// failure throws WindowsError.
KernelHandle NewJob();

// Puts the suspended process in job and lets its thread run. A process that
// cannot be put there is ended (it ran nothing of its own) and the start
// fails with KLAppException that names command.
void RunInJob(HANDLE job, HANDLE process, HANDLE thread, const string& command);
