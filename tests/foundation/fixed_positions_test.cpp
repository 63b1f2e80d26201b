// The table of fixed positions against the texts that scripts, tests and
// docs/failures.md know: an entry moved by mistake shows here, also for the
// failures no other test can provoke.
#include <gtest/gtest.h>

#include <FixedPositions.h>
#include <exceptions.h>

TEST(FixedPositions, GiveTheKnownTexts) {
    static const struct {
        FixedPosition at;
        const char* position;
    } known[] = {
        {FixedAt::kExecuteStart, "\"Plugin/SessionExtender\":246"},
        {FixedAt::kExecuteExitCode, "\"Plugin/SessionExtender\":254"},
        {FixedAt::kSessionPropsCopy, "\"Plugin/SessionExtender\":128"},
        {FixedAt::kControlPageProps, "\"Plugin/aRvikControlPage\":503"},
        {FixedAt::kPluginTerminalSite, "\"Plugin/Plugin\":61"},
        {FixedAt::kPluginSessionSite, "\"Plugin/Plugin\":65"},
        {FixedAt::kSaveFileOpen, "\"Platform/SaveFile_ss\":33"},
        {FixedAt::kSaveFileEnd, "\"Platform/SaveFile_fs\":32"},
        {FixedAt::kCoQuery, "\"Borvil/Include/co\":114"},
        {FixedAt::kTrevanDuplicateHandle, "\"Shared/Trevan/Trevan\":76"},
        {FixedAt::kTrevanSuspendThread, "\"Shared/Trevan/Trevan\":157"},
        {FixedAt::kTrevanResumeThread, "\"Shared/Trevan/Trevan\":161"},
        {FixedAt::kTrevanTerminateThread, "\"Shared/Trevan/Trevan\":165"},
        {FixedAt::kTrevanThreadExitCode, "\"Shared/Trevan/Trevan\":170"},
        {FixedAt::kTrevanSetEvent, "\"Shared/Trevan/Trevan\":190"},
        {FixedAt::kTrevanResetEvent, "\"Shared/Trevan/Trevan\":194"},
        {FixedAt::kTrevanPulseEvent, "\"Shared/Trevan/Trevan\":198"},
        {FixedAt::kTrevanSetTimer, "\"Shared/Trevan/Trevan\":219"},
        {FixedAt::kTrevanCancelTimer, "\"Shared/Trevan/Trevan\":223"},
        {FixedAt::kTrevanDeleteTimer, "\"Shared/Trevan/Trevan\":413"},
        {FixedAt::kTrevanCreateTimer, "\"Shared/Trevan/Trevan\":453"},
        {FixedAt::kTrevanDeleteTimerQueue, "\"Shared/Trevan/Trevan\":465"},
    };
    for (const auto& entry : known) {
        SetLastError(ERROR_ACCESS_DENIED);
        try {
            CheckSystemCall(FALSE, entry.at);
            ADD_FAILURE() << entry.position << ": no exception";
        } catch (const WindowsError& e) {
            EXPECT_EQ(std::string("Windows system call error 5 (00000005) at ") + entry.position, e.Reason());
        }
    }
}
