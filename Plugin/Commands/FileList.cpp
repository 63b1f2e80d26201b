// aRvik.FileList: the names in the folder FileName names, matching the
// mask it may end in, into FileText in the order FileSort names; their
// count into Result.
#include "Commands/Commands.h"

#include <ShownText.h>
#include <TASession.h>
#include <WidePath.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileFailures.h"
#include "Files/FileName.h"
#include "Files/FolderListing.h"
#include "Files/NameKinds.h"
#include "Processes/ProcessOutput.h"

using TAXDK::Standard::FullPath;
using TAXDK::Tallivant::TASession;

static const char kFileName[] = "aRvik.FileName";
static const char kFileText[] = "aRvik.FileText";
static const char kResult[] = "aRvik.Result";
static const char kFileSort[] = "aRvik.FileSort";

// FileSort: name (also when empty), newest, oldest, largest, smallest, in
// any mix of capital and small letters.
static ListOrder ReadOrder(const string& text) {
    keystring word(text);
    if (text.empty() || word == "name") return ListOrder::Name;
    if (word == "newest") return ListOrder::Newest;
    if (word == "oldest") return ListOrder::Oldest;
    if (word == "largest") return ListOrder::Largest;
    if (word == "smallest") return ListOrder::Smallest;
    throw KLAppException(string("Неизвестный порядок списка: ") + kFileSort + "=" + TAXDK::Standard::ShownText(text) +
                         " (допустимо: name, newest, oldest, largest, smallest)");
}

// The name as FileWrite takes it, but only the folder resolved: the mask
// stays as written (a trailing dot of it means something). Written back
// as the folder's full name, a backslash and the mask. A device or a
// stream is refused before.
static basic_text<wchar_t> TakeFolder(CommandArguments& arguments, basic_text<wchar_t>& mask) {
    FileArgument name{kFileName, arguments.WideView(kFileName, CommandArguments::Stays), FileName()};
    if (!NotEmpty(name.given)) throw KLAppException(string("Не указан файл: ") + kFileName + "=");
    basic_text<wchar_t> absolute = AbsoluteFileName(name.given), folder;
    if (!SplitMask(absolute, folder, mask))
        throw KLAppException(string("Маска допустима только в последней части имени: ") + kFileName + "=" +
                             AnsiName(FullPath(absolute)));
    folder = FullPath(folder);
    const char* reason = RefusedNameReason(folder);
    if (!reason && wcschr(mask, L':')) reason = "имя с потоком";
    if (reason) throw NameRefusal("прочитать папку", reason, kFileName, TAXDK::Standard::ShownText(name.given));
    size_t n = folder.length();
    bool root = n > 0 && (folder[n - 1] == L'\\' || folder[n - 1] == L'/');
    name.name = FileName(mask.empty() ? folder : folder + (root ? L"" : L"\\") + mask.c_str());
    WriteBack(arguments, name);
    return folder;
}

void FileList(TASession& values) {
    CommandArguments arguments(values);
    // Refused before the name is written back.
    ListOrder order = ReadOrder(arguments.Text(kFileSort, CommandArguments::WhenGiven));
    basic_text<wchar_t> mask;
    basic_text<wchar_t> folder = TakeFolder(arguments, mask);
    // The system is asked for the folder with "\*" after it: that name
    // must be one it takes whole.
    if (FileName(folder + L"\\*").TooLong()) throw FileFailure("прочитать папку", ERROR_FILENAME_EXCED_RANGE, folder);
    FolderListing listing(folder, mask.empty() ? L"*" : mask.c_str(), order);
    CoString text;
    // As much as Execute keeps of a program's output.
    listing.Text(OutputPipe::limit, text);
    values.SetWideString(kFileText, text);
    values.SetUnsigned(kResult, static_cast<unsigned>(listing.Count()));
    arguments.Done();
}
