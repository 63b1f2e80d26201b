// The failure positions that scripts, tests and the docs know by number:
// each is a named {file, line}, written here once and passed at its call
// site to CheckSystemCall, CheckErrorCode, CheckFileHandle (checks.h) or
// CoCallEx (co.h). The table includes nothing, so that every layer can.
// The numbers are the positions' own, not the lines of the files that use
// them now; every other position comes from the failure macros (checks.h).
// tests/foundation/fixed_positions_test.cpp holds the texts they give.
#pragma once

struct FixedPosition {
    const char* file;
    unsigned line;
};

namespace FixedAt {

// aRvik.Execute: the program's start, and its exit code once it has ended.
constexpr FixedPosition kExecuteStart{"Plugin/SessionExtender", 246};
constexpr FixedPosition kExecuteExitCode{"Plugin/SessionExtender", 254};
// The Session Props read into a session that starts (and by aRvik.UpdateProps).
constexpr FixedPosition kSessionPropsCopy{"Plugin/SessionExtender", 128};
// The control page's list of the Session Props.
constexpr FixedPosition kControlPageProps{"Plugin/aRvikControlPage", 503};
// The plug-in's start: the host's terminal and session sites.
constexpr FixedPosition kPluginTerminalSite{"Plugin/Plugin", 61};
constexpr FixedPosition kPluginSessionSite{"Plugin/Plugin", 65};
// SaveFile's open (aRvik.FileWrite's, whichever way it writes) and its end
// of the file.
constexpr FixedPosition kSaveFileOpen{"Platform/SaveFile_ss", 33};
constexpr FixedPosition kSaveFileEnd{"Platform/SaveFile_fs", 32};
// co<>'s QueryInterface.
constexpr FixedPosition kCoQuery{"Borvil/Include/co", 114};
// The threading toolkit's system calls, all at one file of its own.
constexpr FixedPosition kTrevanDuplicateHandle{"Shared/Trevan/Trevan", 76};
constexpr FixedPosition kTrevanSuspendThread{"Shared/Trevan/Trevan", 157};
constexpr FixedPosition kTrevanResumeThread{"Shared/Trevan/Trevan", 161};
constexpr FixedPosition kTrevanTerminateThread{"Shared/Trevan/Trevan", 165};
constexpr FixedPosition kTrevanThreadExitCode{"Shared/Trevan/Trevan", 170};
constexpr FixedPosition kTrevanSetEvent{"Shared/Trevan/Trevan", 190};
constexpr FixedPosition kTrevanResetEvent{"Shared/Trevan/Trevan", 194};
constexpr FixedPosition kTrevanPulseEvent{"Shared/Trevan/Trevan", 198};
constexpr FixedPosition kTrevanSetTimer{"Shared/Trevan/Trevan", 219};
constexpr FixedPosition kTrevanCancelTimer{"Shared/Trevan/Trevan", 223};
constexpr FixedPosition kTrevanDeleteTimer{"Shared/Trevan/Trevan", 413};
constexpr FixedPosition kTrevanCreateTimer{"Shared/Trevan/Trevan", 453};
constexpr FixedPosition kTrevanDeleteTimerQueue{"Shared/Trevan/Trevan", 465};

}  // namespace FixedAt
