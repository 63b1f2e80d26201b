// What aRvik.Execute and aRvik.Await share about waiting for a program: the
// wait itself, ending a program that outlived it
// (aRvik.Kill), and the failure that says it did not end.
#pragma once

#include <windows.h>

#include <exceptions.h>
#include <str.h>

// True when process ended within milliseconds (INFINITE: no limit); a
// failed wait throws WindowsError.
bool WaitForExit(HANDLE process, DWORD milliseconds);

// The exit code of a program ended by aRvik.Kill: the one taskkill /F gives.
const UINT killedExitCode = 1;

// Ends process, or every process of job when one is given, and waits a
// bounded time until process is gone. A refusal throws WindowsError.
void EndProgram(HANDLE process, HANDLE job);

// "Программа не завершилась за N мс: " and what names the program (its
// command line, its process id), with "; программа завершена" when
// aRvik.Kill ended it.
KLAppException StillRunning(DWORD timeout, const string& program, bool ended);
