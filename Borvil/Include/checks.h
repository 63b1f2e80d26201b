// One way to report a failed call: each macro checks one kind of result and
// throws, naming the call's source position by itself, the file and the
// line where the macro stands.
//
//   THROW_IF_WIN32_FALSE(call)     a call that returned zero or null: WindowsError
//                                  with the last error; otherwise the result, unchanged
//   THROW_LAST_ERROR_IF(failed)    a call whose failure shows otherwise (an
//                                  INVALID_HANDLE_VALUE, WAIT_FAILED): the last error
//   THROW_IF_WIN32_ERROR(code)     a Windows error number: nonzero throws WindowsError
//   THROW_WIN32(code)              WindowsError with code, always
//   THROW_IF_FAILED(hr)            a failed COM result: the CoError family (CoCallEx)
//   THROW_HR_IF_NULL(hr, pointer)  a null pointer where an object is due: as a failed hr
//
// The position is the short path of the file, without the source tree's
// folder and the extension: "Plugin/Execute", "Borvil/Include/co". The build
// maps the tree's folder away from __FILE__ (-fmacro-prefix-map), and
// SourcePosition drops the extension and the host extension kit's leading
// "xdk/Source/" or "xdk/Include/", so that the kit's files read as
// "Platform/SaveFile_ss".
//
// Some positions are fixed: scripts and tests know their numbers. Those call
// sites pass their entry of FixedPositions.h to CheckSystemCall,
// CheckErrorCode, CheckFileHandle or CoCallEx themselves. The first two are
// the framework's names of CheckSystemCallAt and CheckErrorCodeAt: a
// position given as a short path ("Plugin/Execute") is already its own text.
#pragma once

#include <windows.h>

#include <FixedPositions.h>
#include <co.h>
#include <exceptions.h>
#include <str.h>

// The position text of a source path as __FILE__ gives it (see above).
string SourcePosition(const char* path);

// WindowsError(code) at the position of path and line.
[[noreturn]] void ThrowWindowsError(DWORD code, const char* path, unsigned line);

template <class R>
R CheckSystemCallAt(R result, const char* path, unsigned line) {
    // The last error first: making the position's text may set it anew.
    if (!result) ThrowWindowsError(GetLastError(), path, line);
    return result;
}

inline void CheckErrorCodeAt(LONG code, const char* path, unsigned line) {
    if (code != 0) ThrowWindowsError(static_cast<DWORD>(code), path, line);
}

// The framework's names, kept for the call sites with a fixed position.
template <class R>
R CheckSystemCall(R result, const char* position, unsigned line) {
    return CheckSystemCallAt(result, position, line);
}

inline void CheckErrorCode(LONG code, const char* position, unsigned line) { CheckErrorCodeAt(code, position, line); }

// For a newly opened file handle: a handle that is neither null nor
// INVALID_HANDLE_VALUE passes (true). Otherwise ERROR_PATH_NOT_FOUND and
// ERROR_ACCESS_DENIED throw FileException naming the file (FileWriteError);
// any other error throws WindowsError at path and line.
bool CheckFileHandle(HANDLE handle, const char* name, const char* path, unsigned line);

// The same checks at an entry of the table of fixed positions.
template <class R>
R CheckSystemCall(R result, const FixedPosition& at) {
    return CheckSystemCallAt(result, at.file, at.line);
}
inline void CheckErrorCode(LONG code, const FixedPosition& at) { CheckErrorCodeAt(code, at.file, at.line); }
inline bool CheckFileHandle(HANDLE handle, const char* name, const FixedPosition& at) {
    return CheckFileHandle(handle, name, at.file, at.line);
}

inline HRESULT CoCallAt(HRESULT result, const char* path, unsigned line) {
    if (FAILED(result)) CoCallEx(result, CoModule(), SourcePosition(path), static_cast<int>(line));
    return result;
}

#define THROW_IF_WIN32_FALSE(call) CheckSystemCallAt((call), __FILE__, __LINE__)
#define THROW_LAST_ERROR_IF(failed)                                   \
    do {                                                              \
        if (failed) ThrowWindowsError(GetLastError(), __FILE__, __LINE__); \
    } while (0)
#define THROW_IF_WIN32_ERROR(code) CheckErrorCodeAt((code), __FILE__, __LINE__)
#define THROW_WIN32(code) ThrowWindowsError((code), __FILE__, __LINE__)
#define THROW_IF_FAILED(hr) CoCallAt((hr), __FILE__, __LINE__)
#define THROW_HR_IF_NULL(hr, pointer)                        \
    do {                                                     \
        if (!(pointer)) CoCallAt((hr), __FILE__, __LINE__);  \
    } while (0)
