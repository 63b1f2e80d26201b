// OutputPipe: what a program started by aRvik.Execute with aRvik.Capture
// writes to its standard output and error. One pipe takes both, so the
// texts keep the order in which they were written.
//
// The plug-in reads the pipe through a named pipe end opened for overlapped
// reads, which the child never sees. The child inherits exactly two
// handles, named in PROC_THREAD_ATTRIBUTE_HANDLE_LIST: the pipe's writing
// end (output and error) and the NUL device (input). The plug-in closes its
// copies of both once the child has started.
//
// Collect reads while it waits for the program, so no amount of output
// blocks the child. Once the program has ended it takes what the pipe held
// then, for at most a second, and stops: a handle passed on to a grandchild
// keeps the pipe open, and may keep filling it, but does not hold the
// command. A program that outlives the wait leaves what it wrote until then
// (TakeWaiting); one that runs on, kept, keeps its pipe readable after the
// object has gone (LeaveOpen). Every failure throws WindowsError.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <Trevan/Event.h>
#include <fwbase/Co.h>
#include <owned.h>
#include <str.h>

// size bytes read in code page, of total bytes written, given as captured
// output is: in the ANSI code page, zeros kept, a character that page lacks
// as "?"; more than were kept as "[total байт]\r\n", the bytes and "\r\n...".
void OutputText(UINT page, const char* bytes, size_t size, unsigned long long total, CoString& out);

class OutputPipe {
public:
    OutputPipe();
    ~OutputPipe();
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // startup with the standard handles and the handle list, for
    // CreateProcessA with bInheritHandles and EXTENDED_STARTUPINFO_PRESENT;
    // valid while the pipe lives.
    STARTUPINFOEXA* Startup(const STARTUPINFOA& startup);
    // Closes the child's ends here, after the start.
    void Started();
    // Reads until process has ended and its output is taken: true; false
    // when timeout milliseconds (INFINITE: no limit) pass first.
    bool Collect(HANDLE process, DWORD timeout);
    // After Collect gave up: takes what the pipe holds now, for at most a
    // second, and stops reading. Output written later is not kept.
    void TakeWaiting();
    // The program runs on: when this object goes, the pipe is handed to
    // DrainPipe, which reads and drops what the program still writes until
    // it ends, instead of being closed under it. Cannot fail.
    void LeaveOpen() noexcept { leaveOpen_ = true; }

    // Bytes kept at most; more are counted and dropped.
    static const size_t limit = 16u << 20;
    // The output read in code page and given in the ANSI code page, zeros
    // kept; a character that page lacks becomes "?", never a look-alike.
    // Output over limit bytes becomes "[N байт]\r\n", its first limit bytes
    // and "\r\n...", as the log cuts long texts.
    void Text(UINT page, CoString& out) const;

private:
    void Read();
    DWORD Take();
    void Drain();
    void Keep(DWORD got);
    void Stop(bool keep) noexcept;

    string name_;
    KernelHandle read_, write_, input_;
    Trevan::Event event_;
    aptr<char> chunk_;
    OVERLAPPED overlapped_;
    bool pending_ = false, ended_ = false, leaveOpen_ = false;
    Buffer<char> kept_;
    unsigned long long total_ = 0;
    HANDLE inherited_[2];  // the list names them: they live as long as it
    AttributeList attributes_;
    STARTUPINFOEXA startup_;
};
