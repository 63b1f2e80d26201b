// Started twice at once by the append test, as two hosts appending to the
// same new files through aRvik.FileWrite.
//   append_child PREFIX FOLDER ID FILES LINES
// For each k below FILES: waits (at most 10 s) for the event PREFIX-k,
// appends LINES lines "ID k n\r\n" to FOLDER\k.txt in UTF-16, one command
// each, and releases the semaphore PREFIX-done once. Exits with 0; 1 when
// a wait failed, 2 when a command did.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include <HostSession.h>
#include <Objects/SessionExtender.h>

// ASCII text as UTF-16.
static std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

int main(int argc, char** argv) {
    if (argc != 6) return 3;
    const char *prefix = argv[1], *folder = argv[2], *id = argv[3];
    int files = atoi(argv[4]), lines = atoi(argv[5]);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%s-done", prefix);
    HANDLE done = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, name);
    if (!done) return 1;
    co<ITallivantSessionExtender> extender(new Plugin::SessionExtender);
    co<HostSession> session(new HostSession);
    BSTR command = SysAllocString(L"aRvik.FileWrite");
    for (int k = 0; k < files; ++k) {
        snprintf(name, sizeof name, "%s-%d", prefix, k);
        HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, name);
        if (!go || WaitForSingleObject(go, 10000) != WAIT_OBJECT_0) return 1;
        CloseHandle(go);
        for (int n = 0; n < lines; ++n) {
            char text[64], file[MAX_PATH];
            snprintf(text, sizeof text, "%s %d %d\r\n", id, k, n);
            snprintf(file, sizeof file, "%s\\%d.txt", folder, k);
            session->Set(L"aRvik.FileName", Wide(file).c_str());
            session->Set(L"aRvik.FileText", Wide(text).c_str());
            session->Set(L"aRvik.FileMode", L"append");
            session->Set(L"aRvik.FileEncoding", L"UTF-16");
            if (extender->Command(session.get(), command) != S_OK) return 2;
        }
        ReleaseSemaphore(done, 1, nullptr);
    }
    return 0;
}
