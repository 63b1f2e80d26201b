// Linked into the test executables that load aRvik.dll: the module carries
// its own copy of the support library, which looks for the host's handler
// under this name in the executable. The boxes go to the newest
// MessageRecorder alive.
#include "MessageRecorder.h"

extern "C" __declspec(dllexport) int __stdcall KelmirMessageHandler(const MessageRequest& request) {
    return MessageRecorder::Record(request);
}
