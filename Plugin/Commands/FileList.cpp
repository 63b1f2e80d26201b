// aRvik.FileList: the names in the folder FileName names, matching the
// mask it may end in, into FileText; their count into Result.
#include "Commands.h"

#include <TASession.h>
#include <exceptions.h>

#include "CommandArguments.h"
#include "FileNames.h"
#include "FolderListing.h"
#include "ProcessOutput.h"

using TAXDK::Tallivant::TASession;

static const char kFileName[] = "aRvik.FileName";
static const char kFileText[] = "aRvik.FileText";
static const char kResult[] = "aRvik.Result";

void FileList(TASession& values, CommandState&) {
    CommandArguments arguments(values);
    basic_text<wchar_t> name = TakeNeededFileName(arguments, kFileName);
    basic_text<wchar_t> folder, mask;
    if (!SplitMask(name, folder, mask))
        throw KLAppException(string("Маска допустима только в последней части имени: ") + kFileName + "=" +
                             AnsiName(name));
    FolderListing listing(folder, mask);
    CoString text;
    // As much as Execute keeps of a program's output.
    listing.Text(OutputPipe::limit, text);
    values.SetWideString(kFileText, text);
    values.SetUnsigned(kResult, static_cast<unsigned>(listing.Count()));
    arguments.Done();
}
