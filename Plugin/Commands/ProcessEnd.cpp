// aRvik.ProcessEnd: ends the process ProcessId, or every process whose
// program has the name Name (the exact name, case ignored; no mask), and
// with Kill each one's tree too (what it started, and what those started);
// the count of those named into Result. The host's own process and those
// that started it are never ended: a command that names one is refused.
#include "Commands/Commands.h"

#include <math.h>
#include <wchar.h>

#include <utility>

#include <ShownText.h>
#include <TASession.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <refs.h>

#include "Commands/CommandArguments.h"
#include "Processes/ProcessSnapshot.h"
#include "Processes/ProcessTree.h"

using TAXDK::Standard::ShownText;
using TAXDK::Tallivant::TASession;

static const char kProcessId[] = "aRvik.ProcessId";
static const char kName[] = "aRvik.Name";

namespace {

// The processes opened to be ended, closed when it goes.
class OpenProcesses {
public:
    OpenProcesses() = default;
    OpenProcesses(const OpenProcesses&) = delete;
    OpenProcesses& operator=(const OpenProcesses&) = delete;
    ~OpenProcesses() {
        for (size_t i = 0; i < handles_.Size(); ++i) CloseHandle(handles_.Data()[i]);
    }
    void Add(KernelHandle process) {
        HANDLE handle = process.get();
        handles_.Append(&handle, 1);
        process.Detach();
    }
    const HANDLE* Data() const { return handles_.Data(); }
    size_t Size() const { return handles_.Size(); }

private:
    Buffer<HANDLE> handles_;
};

}  // namespace

static bool In(const Buffer<DWORD>& ids, DWORD id) {
    for (size_t i = 0; i < ids.Size(); ++i)
        if (ids.Data()[i] == id) return true;
    return false;
}

void ProcessEnd(TASession& values) {
    CommandArguments arguments(values);
    CommandArguments::Number idGiven = arguments.Real(kProcessId, CommandArguments::Always);
    basic_text<wchar_t> name = arguments.WideText(kName);
    bool kill = arguments.Switch("aRvik.Kill");
    bool byName = !name.empty();
    string shownName = ShownText(name.c_str());
    if (idGiven.Given() == byName)
        throw KLAppException(string(byName ? "Процесс указан дважды: " : "Не указан процесс: ") + kProcessId + "=" +
                             ShownText(idGiven.text) + ", " + kName + "=" + shownName +
                             " (нужно одно из двух)");
    string named;
    DWORD id = 0;
    if (byName) {
        if (wcspbrk(name, L"*?"))
            throw KLAppException(string("Маска недопустима, нужно точное имя программы: ") + kName + "=" + shownName);
        named = string(kName) + "=" + shownName;
    } else {
        double value = idGiven.value;
        if (value != floor(value) || value < 0 || value > 4294967295.0)
            throw KLAppException(string("Неверный формат числа: ") + kProcessId + "=" + ShownText(idGiven.text));
        id = static_cast<DWORD>(value);
        named = FormatBuffer(48, "%s=%lu", kProcessId, static_cast<unsigned long>(id));
    }
    // A snapshot only where names or trees are looked for.
    ptr<ProcessSnapshot> snapshot;
    Buffer<DWORD> targets;
    if (byName) {
        snapshot = new ProcessSnapshot;
        for (size_t i = 0; i < snapshot->Count(); ++i) {
            const ProcessSnapshot::Process& process = snapshot->At(i);
            if (CompareStringOrdinal(snapshot->Name(process), -1, name, -1, TRUE) == CSTR_EQUAL)
                targets.Append(&process.id, 1);
        }
    } else {
        // Id 0 is the system's idle process, no program.
        if (id == 0) throw KLAppException(string("Нет процесса с таким идентификатором: ") + named);
        targets.Append(&id, 1);
    }
    Buffer<DWORD> host;
    HostChain(host);
    for (size_t i = 0; i < targets.Size(); ++i)
        if (In(host, targets.Data()[i]))
            throw KLAppException(string("Нельзя завершить процесс, в котором выполняется сценарий, и те, что его "
                                        "запустили: ") +
                                 named);
    // Every handle first: a process that may not be ended refuses the
    // command before any is ended.
    OpenProcesses processes;
    size_t count = 0;
    for (size_t i = 0; i < targets.Size(); ++i) {
        KernelHandle process = OpenToEnd(targets.Data()[i]);
        DWORD error = GetLastError();
        if (!process) {
            // One that ended since the snapshot is not counted.
            if (error == ERROR_INVALID_PARAMETER && byName) continue;
            if (error == ERROR_INVALID_PARAMETER)
                throw KLAppException(string("Нет процесса с таким идентификатором: ") + named);
            if (error == ERROR_ACCESS_DENIED) throw KLAppException(string("Нет доступа к процессу: ") + named);
            THROW_WIN32(error);
        }
        processes.Add(std::move(process));
        ++count;
    }
    if (kill) {
        if (!snapshot) snapshot = new ProcessSnapshot;
        Buffer<DWORD> tree;
        for (size_t i = 0; i < targets.Size(); ++i) Descendants(*snapshot, targets.Data()[i], tree);
        for (size_t i = 0; i < tree.Size(); ++i) {
            DWORD child = tree.Data()[i];
            if (In(targets, child) || In(host, child)) continue;
            KernelHandle process = OpenToEnd(child);
            if (!process) continue;
            processes.Add(std::move(process));
        }
    }
    EndProcesses(processes.Data(), processes.Size());
    values.SetUnsigned("aRvik.Result", static_cast<unsigned>(count));
    arguments.Done();
}
