// ScriptRunner: runs a session script against the session and terminal
// extenders that the plug-ins registered with the host, calling them
// through IDispatch::Invoke as a scripting host does. One statement a line
// (UTF-8 text); "#" starts a comment line:
//   echo TEXT                 print TEXT
//   set NAME = VALUE          set a session property (VALUE may be empty)
//   setting "NAME" = VALUE    set the plug-in's registry setting NAME: a bare
//                             unsigned decimal as REG_DWORD, any other value
//                             as REG_SZ; nothing after "=" removes it
//   prop NAME = VALUE         set NAME in "Session Props" (REG_SZ); nothing
//                             after "=" removes it
//   run COMMAND               pass COMMAND to every session extender
//   print NAME                print a session property (a long one shortened)
//   expect NAME = VALUE       check a session property
//   event NAME                send a terminal event to every terminal extender
//   block | unblock           session extender operations 10 and 7
//   showlog [LINES]           where the script log went and its last lines
//   on error stop|continue    what a failing step does next (default: stop);
//                             a failure under "continue" is reported but
//                             accepted

// A VALUE in double quotes keeps its blanks, and a quote inside it is
// written twice; an unquoted VALUE is trimmed. ${NAME} in TEXT and VALUE
// stands for the session property NAME; one never set is an error.
// Each step is printed; a failure names the script line.
#pragma once

#include <string>

#include "HostObject.h"

class ScriptRunner {
public:
    explicit ScriptRunner(HostObject* host);
    ~ScriptRunner();

    // Number of failed steps not accepted by "on error continue"; -1 when
    // the script cannot be read.
    int Run(const std::string& path);

private:
    bool Step(const std::wstring& statement);
    bool Invoke(IDispatch* object, const wchar_t* member, VARIANT* args, unsigned count, VARIANT* result,
                const std::wstring& label);
    bool Command(const std::wstring& name);
    bool Event(const std::wstring& name);
    bool ShowLog(int lines);
    bool Registry(const std::wstring& word, const std::wstring& rest, bool policy);
    bool Assign(const std::wstring& usage, const std::wstring& rest, std::wstring& name, std::wstring& value,
                bool* quoted = nullptr);
    bool Expand(const std::wstring& text, std::wstring& out);
    void Fail(const std::wstring& what);

    HostObject* host_;
    co<HostSession> session_;
    std::string file_;
    int line_ = 0;
    int failures_ = 0;
    int accepted_ = 0;
    bool stopOnError_ = true;
};
