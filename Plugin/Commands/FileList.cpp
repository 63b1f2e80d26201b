// aRvik.FileList: the names in the folder aRvik.FileName names, matching
// the mask it may end in, into aRvik.FileText; their count into
// aRvik.Result.
#include "Commands.h"

#include <TASession.h>
#include <exceptions.h>

#include "CommandArguments.h"
#include "FileNames.h"
#include "FolderListing.h"
#include "ProcessOutput.h"

using TAXDK::Tallivant::TASession;

void FileList(TASession& values, CommandState&) {
    CommandArguments arguments(values);
    basic_text<wchar_t> name = TakeNeededFileName(arguments, "aRvik.FileName");
    basic_text<wchar_t> folder, mask;
    if (!SplitMask(name, folder, mask))
        throw KLAppException(string("Маска допустима только в последней части имени: aRvik.FileName=") +
                             AnsiName(name));
    FolderListing listing(folder, mask);
    CoString text;
    // As much as aRvik.Execute keeps of a program's output.
    listing.Text(OutputPipe::limit, text);
    values.SetWideString("aRvik.FileText", text);
    values.SetUnsigned("aRvik.Result", static_cast<unsigned>(listing.Count()));
    arguments.Done();
}
