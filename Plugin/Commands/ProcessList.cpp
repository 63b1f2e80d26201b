// aRvik.ProcessList: the processes running, those whose program's name
// matches the mask Name when one is given (as FileList's masks match), into
// Output, one "ID<TAB>NAME" a line, sorted by id, "\r\n" between; their
// count into Result.
#include "Commands/Commands.h"

#include <stdlib.h>
#include <wchar.h>

#include <TASession.h>
#include <exceptions.h>
#include <fwbase/Co.h>

#include "Commands/CommandArguments.h"
#include "Files/NameMask.h"
#include "Processes/ProcessSnapshot.h"

using TAXDK::Tallivant::TASession;

void ProcessList(TASession& values) {
    CommandArguments arguments(values);
    basic_text<wchar_t> maskText = arguments.WideText("aRvik.Name", CommandArguments::WhenGiven);
    NameMask mask(maskText.empty() ? L"*" : maskText.c_str());
    ProcessSnapshot snapshot;
    Buffer<wchar_t> text;
    unsigned count = 0;
    for (size_t i = 0; i < snapshot.Count(); ++i) {
        const ProcessSnapshot::Process& process = snapshot.At(i);
        if (!mask.All() && !mask.Matches(snapshot.Name(process), process.nameLength)) continue;
        if (count++) text.Append(L"\r\n", 2);
        wchar_t id[16];
        _ultow(process.id, id, 10);
        text.Append(id, wcslen(id));
        text.Append(L"\t", 1);
        text.Append(snapshot.Name(process), process.nameLength);
    }
    CoString output;
    *output.Out() = SysAllocStringLen(text.Data() ? text.Data() : L"", static_cast<UINT>(text.Size()));
    if (!output.get()) throw KLAppException("Текст слишком длинный");
    values.SetWideString("aRvik.Output", output);
    values.SetUnsigned("aRvik.Result", count);
    arguments.Done();
}
