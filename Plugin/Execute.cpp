// aRvik.Execute: starts a program, and with aRvik.Wait waits for it, at
// most aRvik.Timeout milliseconds, taking its output with aRvik.Capture.
#include "SessionExtender.h"

#include <math.h>
#include <string.h>

#include <TASession.h>
#include <Trevan/SyncObject.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>

#include "Arguments.h"
#include "ProcessOutput.h"

using TAXDK::Tallivant::TASession;

// The start and the exit code have always reported their failures at these
// positions of the extender; scripts and tests know them: the numbers are
// fixed, not this file's lines.
static const char* const kExtender = "Plugin/SessionExtender";

// aRvik.Timeout in whole milliseconds; INFINITE when empty. A text that is
// no whole number fails as every session number does: a fraction is no
// time the wait can keep.
static DWORD ReadTimeout(TASession& values, const string& text) {
    if (text.empty()) return INFINITE;
    double value = values.GetReal("aRvik.Timeout");
    if (value != floor(value)) throw KLAppException(string("Неверный формат числа: aRvik.Timeout=") + text);
    if (value < 0)
        throw KLAppException(string("Время ожидания не может быть отрицательным: aRvik.Timeout=") + text);
    if (value >= static_cast<double>(INFINITE))
        throw KLAppException(string("Время ожидания больше 4294967294 мс: aRvik.Timeout=") + text);
    return static_cast<DWORD>(value);
}

// aRvik.CaptureEncoding: the code page the program writes in; the
// console's (OEM) when empty.
static UINT ReadCaptureEncoding(const string& text) {
    keystring name(text);
    if (text.empty() || name == "OEM") return GetOEMCP();
    if (name == "ANSI") return CP_ACP;
    if (name == "UTF-8") return CP_UTF8;
    throw KLAppException(string("Неизвестная кодировка: aRvik.CaptureEncoding=") + text +
                         " (допустимо: OEM, ANSI, UTF-8)");
}

// The program's folder, %VAR% expanded; the empty text for the host's own.
static string ReadFolder(const string& text) {
    if (text.empty()) return text;
    string folder = ExpEnv(text);
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FileException("Не удалось запустить программу (папка не найдена): ", folder);
    return folder;
}

// True when the process ended within milliseconds.
static bool WaitForExit(const Trevan::SyncObject& process, DWORD milliseconds) {
    DWORD waited = WaitForSingleObject(process.Get(), milliseconds);
    THROW_LAST_ERROR_IF(waited == WAIT_FAILED);
    return waited != WAIT_TIMEOUT;
}

static KLAppException StillRunning(const string& command, DWORD timeout) {
    return KLAppException(FormatBuffer(64, "Программа не завершилась за %lu мс: ", static_cast<unsigned long>(timeout)) +
                          command.c_str());
}

void Plugin::SessionExtender::Execute(IUnknown* session) {
    TASession values(session);
    string command = values.GetString("aRvik.Command");
    if (command.empty()) return;
    values.Clear("aRvik.Result");
    values.Clear("aRvik.ProcessId");
    string wait = values.GetString("aRvik.Wait");
    string hide = values.GetString("aRvik.Hide");
    string timeoutText = values.GetString("aRvik.Timeout");
    string folderText = values.GetString("aRvik.Dir");
    string capture = values.GetString("aRvik.Capture");
    string encodingText = values.GetString("aRvik.CaptureEncoding");
    if (!capture.empty()) values.Clear("aRvik.Output");
    DWORD timeout = ReadTimeout(values, timeoutText);
    UINT page = ReadCaptureEncoding(encodingText);
    if (!capture.empty() && wait.empty())
        throw KLAppException("aRvik.Capture требует aRvik.Wait: вывод программы читается, пока её ждут");
    string folder = ReadFolder(folderText);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!hide.empty()) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION started;
    memset(&started, 0, sizeof started);
    // CreateProcessA may write into the command line: it gets its own copy.
    aptr<char> line(newstr(command.c_str()));
    const char* directory = folder.empty() ? nullptr : folder.c_str();
    ptr<OutputPipe> output;
    if (capture.empty()) {
        CheckSystemCall(CreateProcessA(nullptr, line.get(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                                       &startup, &started),
                        kExtender, 246);  // fixed
    } else {
        output = new OutputPipe;
        // Handles are inherited, but only the two that the pipe lists.
        CheckSystemCall(CreateProcessA(nullptr, line.get(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                                       nullptr, directory, &output->Startup(startup)->StartupInfo, &started),
                        kExtender, 246);  // fixed
        output->Started();
    }
    // Declared in this order, the thread handle is closed first.
    Trevan::SyncObject process(started.hProcess);
    Trevan::SyncObject thread(started.hThread);
    values.SetUnsigned("aRvik.ProcessId", started.dwProcessId);
    if (!wait.empty()) {
        bool ended = output ? output->Collect(process.Get(), timeout) : WaitForExit(process, timeout);
        if (!ended) throw StillRunning(command, timeout);
        DWORD exitCode = 0;
        CheckSystemCall(GetExitCodeProcess(process.Get(), &exitCode), kExtender, 254);  // fixed
        values.SetUnsigned("aRvik.Result", exitCode);
        if (output) {
            CoString text;
            output->Text(page, text);
            values.SetWideString("aRvik.Output", text);
        }
    }
    values.Clear("aRvik.Command");
    values.Clear("aRvik.Wait");
    values.Clear("aRvik.Hide");
    ClearGiven(values, "aRvik.Timeout", timeoutText);
    ClearGiven(values, "aRvik.Dir", folderText);
    ClearGiven(values, "aRvik.Capture", capture);
    ClearGiven(values, "aRvik.CaptureEncoding", encodingText);
}
