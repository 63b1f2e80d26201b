// What a full file name names besides a plain file or folder: a device
// (which a read or a write could wait on for ever) or a stream of a file.
// The file commands refuse both before they touch anything.
#pragma once

// Whether the full name names a device: a name in the system's device
// space ("\\.\" anything, "\\?\" and "\??\" but for a drive's "X:\", a
// share's "UNC\" and a volume's "Volume{" names), a host's named pipes or
// mailslots ("\\HOST\pipe\", "\\HOST\mailslot\"), or one whose last part
// is a device's name in any folder: CON, PRN, AUX, NUL, CONIN$, CONOUT$,
// COM1-9, LPT1-9 and COM/LPT with a superscript 1, 2 or 3, case ignored,
// whatever follows a dot or a colon and with blanks before them
// ("aux.txt", "nul .log", "com1:").
bool NamesDevice(const wchar_t* full);

// Whether the full name names a stream: a ":" after its drive ("X:" at the
// start, after "\\?\" too).
bool NamesStream(const wchar_t* full);

// The reason a file command gives for refusing the full name: "это
// устройство", "имя с потоком"; null for a name it takes.
const char* RefusedNameReason(const wchar_t* full);
// The same for a name in the ANSI code page.
const char* RefusedNameReason(const char* full);
