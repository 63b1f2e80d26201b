// What the fuzzer makes ready before a call, and takes away after the run:
// the files and folders at the places a call's names name in the scratch
// folder, the script log's settings, the programs aRvik.Await waits for.
// Every file operation goes through the "\\?\" form of the scratch
// folder's full name, so long names and odd characters work, and nothing
// outside the folder is touched.
#pragma once

#include <windows.h>

#include <string>

#include "FuzzCall.h"

// The data folder the plug-in puts relative names below
// (%APPDATA%\Kelmir\Tallivant), with its closing backslash.
std::wstring DataFolder();

// Deletes a file, or a folder with everything below it, read-only ones too.
void RemoveTreeW(const std::wstring& path);

// Removes what the place of the scratch folder holds and makes what prep
// says; a place that cannot be made so stays as it can be.
void PrepareFile(const std::wstring& scratch, const FilePrep& prep);

// Writes the script log's settings for a LogWrite, when they differ from
// the ones written last.
void ApplyLogSettings(const LogSettings& settings, const FuzzContext& context);
// Forgets which settings were written (they are written again next time).
void ForgetLogSettings();

// A program of the fuzzer's own that sleeps, then ends: the test child.
struct OwnChild {
    HANDLE process = nullptr;
    DWORD id = 0;
};
OwnChild StartChild(const FuzzContext& context, unsigned sleep);
