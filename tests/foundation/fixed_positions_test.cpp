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
        {Fixed::kExecuteStart, "\"Plugin/SessionExtender\":246"},
        {Fixed::kExecuteExitCode, "\"Plugin/SessionExtender\":254"},
        {Fixed::kSessionPropsCopy, "\"Plugin/SessionExtender\":128"},
        {Fixed::kControlPageProps, "\"Plugin/aRvikControlPage\":503"},
        {Fixed::kPluginTerminalSite, "\"Plugin/Plugin\":61"},
        {Fixed::kPluginSessionSite, "\"Plugin/Plugin\":65"},
        {Fixed::kSaveFileOpen, "\"Platform/SaveFile_ss\":33"},
        {Fixed::kSaveFileEnd, "\"Platform/SaveFile_fs\":32"},
        {Fixed::kCoQuery, "\"Borvil/Include/co\":114"},
        {Fixed::kTrevanDuplicateHandle, "\"Shared/Trevan/Trevan\":76"},
        {Fixed::kTrevanSuspendThread, "\"Shared/Trevan/Trevan\":157"},
        {Fixed::kTrevanResumeThread, "\"Shared/Trevan/Trevan\":161"},
        {Fixed::kTrevanTerminateThread, "\"Shared/Trevan/Trevan\":165"},
        {Fixed::kTrevanThreadExitCode, "\"Shared/Trevan/Trevan\":170"},
        {Fixed::kTrevanSetEvent, "\"Shared/Trevan/Trevan\":190"},
        {Fixed::kTrevanResetEvent, "\"Shared/Trevan/Trevan\":194"},
        {Fixed::kTrevanPulseEvent, "\"Shared/Trevan/Trevan\":198"},
        {Fixed::kTrevanSetTimer, "\"Shared/Trevan/Trevan\":219"},
        {Fixed::kTrevanCancelTimer, "\"Shared/Trevan/Trevan\":223"},
        {Fixed::kTrevanDeleteTimer, "\"Shared/Trevan/Trevan\":413"},
        {Fixed::kTrevanCreateTimer, "\"Shared/Trevan/Trevan\":453"},
        {Fixed::kTrevanDeleteTimerQueue, "\"Shared/Trevan/Trevan\":465"},
    };
    for (const auto& entry : known) {
        SetLastError(ERROR_ACCESS_DENIED);
        try {
            CheckSystemCall(FALSE, entry.at.file, entry.at.line);
            ADD_FAILURE() << entry.position << ": no exception";
        } catch (const WindowsError& e) {
            EXPECT_EQ(std::string("Windows system call error 5 (00000005) at ") + entry.position, e.Reason());
        }
    }
}
