#include "Processes/ProcessOutput.h"

#include <utility>

#include <TextCodec.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>

#include "Processes/PipeDrain.h"

using TAXDK::Standard::CodePageBytes;
using TAXDK::Standard::CodePageText;
using TAXDK::Standard::CutText;

static const DWORD chunkSize = 64 << 10;

static string PipeName() {
    static volatile LONG serial = 0;
    return FormatBuffer(96, "\\\\.\\pipe\\aRvik.Output.%lu.%ld", GetCurrentProcessId(),
                        InterlockedIncrement(&serial));
}

// The plug-in's end: a first instance, so that no other process can have
// made the name before.
static KernelHandle ReadingEnd(const char* name) {
    KernelHandle handle(CreateNamedPipeA(name,
                                         PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                         1, 0, chunkSize, 0, nullptr));
    THROW_LAST_ERROR_IF(!handle);
    return handle;
}

// The handle list passes on only inheritable handles; no other start of the
// plug-in inherits these, since every start names its own.
static KernelHandle ChildEnd(const char* name, DWORD access) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    KernelHandle handle(
        CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    THROW_LAST_ERROR_IF(!handle);
    return handle;
}

// An attribute list that passes on exactly the count handles at handles,
// which must outlive it.
static AttributeList HandleList(HANDLE* handles, size_t count) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    aptr<char> memory(new char[size]);
    THROW_IF_WIN32_FALSE(
        InitializeProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory.get()), 1, 0, &size));
    AttributeList list(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory.Detach()));
    THROW_IF_WIN32_FALSE(UpdateProcThreadAttribute(list.get(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                                   count * sizeof(HANDLE), nullptr, nullptr));
    return list;
}

OutputPipe::OutputPipe()
    : name_(PipeName()),
      read_(ReadingEnd(name_)),
      write_(ChildEnd(name_, GENERIC_WRITE)),
      input_(ChildEnd("NUL", GENERIC_READ)),
      event_(true, false),
      chunk_(new char[chunkSize]) {
    THROW_LAST_ERROR_IF(!event_.IsValid());
    memset(&overlapped_, 0, sizeof overlapped_);
    overlapped_.hEvent = event_.Get();
    memset(&startup_, 0, sizeof startup_);
    inherited_[0] = write_.get();
    inherited_[1] = input_.get();
    attributes_ = HandleList(inherited_, 2);
}

OutputPipe::~OutputPipe() {
    Stop(false);
    if (leaveOpen_ && !ended_) DrainPipe(std::move(read_));
}

STARTUPINFOEXA* OutputPipe::Startup(const STARTUPINFOA& startup) {
    startup_.StartupInfo = startup;
    startup_.StartupInfo.cb = sizeof startup_;
    startup_.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup_.StartupInfo.hStdInput = input_.get();
    startup_.StartupInfo.hStdOutput = write_.get();
    startup_.StartupInfo.hStdError = write_.get();
    startup_.lpAttributeList = attributes_.get();
    return &startup_;
}

// The pipe's end shows only when no writing end is left: the child's,
// after this.
void OutputPipe::Started() {
    write_.Close();
    input_.Close();
}

// Starts one overlapped read; its result is taken when the event is set.
void OutputPipe::Read() {
    if (ReadFile(read_.get(), chunk_.get(), chunkSize, nullptr, &overlapped_) || GetLastError() == ERROR_IO_PENDING) {
        pending_ = true;
        return;
    }
    DWORD error = GetLastError();
    if (error != ERROR_BROKEN_PIPE) THROW_WIN32(error);
    ended_ = true;
}

// The bytes the read brought; none while it is under way or at the end.
DWORD OutputPipe::Take() {
    DWORD got = 0;
    BOOL done = GetOverlappedResult(read_.get(), &overlapped_, &got, FALSE);
    DWORD error = done ? ERROR_SUCCESS : GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return 0;
    pending_ = false;
    if (done) {
        Keep(got);
        return got;
    }
    if (error != ERROR_BROKEN_PIPE) THROW_WIN32(error);
    ended_ = true;
    return 0;
}

void OutputPipe::Keep(DWORD got) {
    total_ += got;
    size_t kept = kept_.Size();
    if (kept < limit) kept_.Append(chunk_.get(), got < limit - kept ? got : limit - kept);
}

// Ends a read still under way; what it brought in meanwhile is kept when
// keep says so. The buffer must not go while the system may write into it.
void OutputPipe::Stop(bool keep) noexcept {
    if (!pending_) return;
    pending_ = false;
    CancelIoEx(read_.get(), &overlapped_);
    DWORD got = 0;
    if (GetOverlappedResult(read_.get(), &overlapped_, &got, TRUE) && keep) {
        try {
            Keep(got);
        } catch (...) {
        }
    }
}

// Milliseconds left of timeout since start; INFINITE stays.
static DWORD Left(ULONGLONG start, DWORD timeout) {
    if (timeout == INFINITE) return INFINITE;
    ULONGLONG gone = GetTickCount64() - start;
    return gone >= timeout ? 0 : static_cast<DWORD>(timeout - gone);
}

// The longest the output is read once the program has ended.
static const DWORD drainTime = 1000;

// All the program wrote is in the read under way or in the pipe (it has
// ended, or the wait gave up): takes that much and stops, within drainTime.
// A grandchild, or the program still running, may hold the pipe open and
// keep filling it; what it adds is not waited for.
void OutputPipe::Drain() {
    if (pending_ && WaitForSingleObject(event_.Get(), 0) == WAIT_OBJECT_0) Take();
    if (ended_) return;
    // A pipe without writers holds no more than the reads find.
    ULONGLONG owed = 0;
    DWORD available = 0;
    if (PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &available, nullptr)) owed = available;
    else if (GetLastError() == ERROR_BROKEN_PIPE) owed = ~0ull;
    ULONGLONG until = GetTickCount64() + drainTime;
    while (owed > 0 && !ended_) {
        if (!pending_) {
            Read();
            continue;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= until) return;
        DWORD got = WaitForSingleObject(event_.Get(), static_cast<DWORD>(until - now));
        if (got == WAIT_TIMEOUT) return;
        THROW_LAST_ERROR_IF(got != WAIT_OBJECT_0);
        DWORD taken = Take();
        owed -= taken < owed ? taken : owed;
    }
}

void OutputPipe::TakeWaiting() {
    Drain();
    Stop(true);
}

bool OutputPipe::Collect(HANDLE process, DWORD timeout) {
    ULONGLONG start = GetTickCount64();
    while (!ended_) {
        if (!pending_) {
            Read();
            continue;
        }
        // The process first: output that never pauses must not hide its end.
        HANDLE waits[2] = {process, event_.Get()};
        DWORD got = WaitForMultipleObjects(2, waits, FALSE, Left(start, timeout));
        if (got == WAIT_OBJECT_0) {
            TakeWaiting();
            return true;
        }
        if (got == WAIT_OBJECT_0 + 1) Take();
        else if (got == WAIT_TIMEOUT) return false;
        else THROW_WIN32(GetLastError());
    }
    // The output ended first: the program closed it and may run on.
    DWORD got = WaitForSingleObject(process, Left(start, timeout));
    if (got == WAIT_OBJECT_0) return true;
    if (got == WAIT_TIMEOUT) return false;
    THROW_WIN32(GetLastError());
}

void OutputPipe::Text(UINT page, CoString& out) const { OutputText(page, kept_.Data(), kept_.Size(), total_, out); }

// Through UTF-16 into the ANSI code page, as the log's texts are: what that
// cannot show becomes "?", never a look-alike. Output already in the ANSI
// code page is taken as it is.
void OutputText(UINT page, const char* bytes, size_t size, unsigned long long total, CoString& out) {
    size_t kept = size;
    Buffer<char> ansi;
    if (page != CP_ACP && size) {
        CoString wide;
        CodePageText(page, bytes, size, wide);
        CodePageBytes(CP_ACP, wide, SysStringLen(wide), true, ansi);
        bytes = ansi.Data();
        size = ansi.Size();
    }
    if (total <= kept) return CodePageText(CP_ACP, bytes, size, out);
    Buffer<char> cut;
    CutText(total, bytes, size, cut);
    CodePageText(CP_ACP, cut.Data(), cut.Size(), out);
}
