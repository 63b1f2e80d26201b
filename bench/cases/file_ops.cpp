// file and folder commands: aRvik.FileInfo on a file, aRvik.FileCopy of
// 4 MiB over its last copy and aRvik.FileList of a folder of 10,000 names,
// each against the same work by direct calls and against
// Scripting.FileSystemObject through IDispatch as a script would do it
// (FileExists + GetFile + Size + DateLastModified; CopyFile; GetFolder +
// Files + the Name of each). The host's setting of the arguments is not
// timed; every variant's result is checked after each run.
#include "Cases.h"

#include "../Automation.h"

#include <oleauto.h>
#include <stdio.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Text.h"

namespace {

const int listCount = 10000;

void Expect(bool good, const std::string& what) {
    if (!good) throw KLAppException(what.c_str());
}

// A property's value, as a script reads object.Name.
VARIANT Property(IDispatch* object, DISPID id, const char* what) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    CheckResult(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none,
                               &result, nullptr, nullptr),
                what);
    return result;
}

VARIANT Text(BSTR text) {
    VARIANT v = Typed(VT_BSTR);
    V_BSTR(&v) = text;
    return v;
}

// What aRvik.FileInfo finds out: kind, size, local time as text.
std::string InfoDirect(const wchar_t* file) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    THROW_LAST_ERROR_IF(!GetFileAttributesExW(file, GetFileExInfoStandard, &data));
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    char text[64];
    snprintf(text, sizeof text, "%llu %04u-%02u-%02u %02u:%02u:%02u",
             (unsigned long long)data.nFileSizeHigh << 32 | data.nFileSizeLow, local.wYear, local.wMonth, local.wDay,
             local.wHour, local.wMinute, local.wSecond);
    return text;
}

// InfoDirect after resolving the name as aRvik.FileInfo must: references
// to the environment expanded, then the full name.
std::string InfoResolving(const wchar_t* given) {
    wchar_t expanded[MAX_PATH], full[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsW(given, expanded, MAX_PATH);
    THROW_LAST_ERROR_IF(n == 0 || n > MAX_PATH);
    n = GetFullPathNameW(expanded, MAX_PATH, full, nullptr);
    THROW_LAST_ERROR_IF(n == 0 || n >= MAX_PATH);
    return InfoDirect(full);
}

// The names of a folder, sorted as aRvik.FileList sorts them, one per line.
size_t ListDirect(const wchar_t* folder) {
    std::wstring pattern = std::wstring(folder) + L"\\*";
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    THROW_LAST_ERROR_IF(find == INVALID_HANDLE_VALUE);
    std::vector<std::wstring> names;
    do {
        if (wcscmp(found.cFileName, L".") && wcscmp(found.cFileName, L".."))
            names.push_back(std::wstring(found.cFileName) +
                            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? L"\\" : L""));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; });
    std::wstring text;
    for (const std::wstring& name : names) {
        if (!text.empty()) text += L"\r\n";
        text += name;
    }
    BSTR out = SysAllocStringLen(text.data(), UINT(text.size()));
    SysFreeString(out);
    return names.size();
}

class Fso {
public:
    Fso() {
        fso_ = CreateAutomationObject(L"Scripting.FileSystemObject", "Scripting.FileSystemObject");
        exists_ = MemberId(fso_.get(), L"FileExists", "FileSystemObject members");
        getFile_ = MemberId(fso_.get(), L"GetFile", "FileSystemObject members");
        copy_ = MemberId(fso_.get(), L"CopyFile", "FileSystemObject members");
        getFolder_ = MemberId(fso_.get(), L"GetFolder", "FileSystemObject members");
    }
    // FileExists(name), then GetFile(name).Size and .DateLastModified.
    double Info(BSTR file) {
        VARIANT arg = Text(file), exists;
        VariantInit(&exists);
        CallMethod(fso_.get(), exists_, &arg, 1, &exists, "FileExists");
        Expect(V_VT(&exists) == VT_BOOL && V_BOOL(&exists), "FileExists gave no true");
        co<IDispatch> item = CallForObject(fso_.get(), getFile_, &arg, 1, "GetFile");
        if (!size_) {
            size_ = MemberId(item.get(), L"Size", "File members");
            time_ = MemberId(item.get(), L"DateLastModified", "File members");
        }
        VARIANT size = Property(item.get(), size_, "Size"), time = Property(item.get(), time_, "DateLastModified");
        VARIANT number;
        VariantInit(&number);
        VariantChangeType(&number, &size, 0, VT_R8);
        VariantClear(&size);
        VariantClear(&time);
        return V_R8(&number);
    }
    // CopyFile(from, to, overwrite).
    void Copy(BSTR from, BSTR to) {
        VARIANT args[3] = {Typed(VT_BOOL), Text(to), Text(from)};  // reversed
        V_BOOL(&args[0]) = VARIANT_TRUE;
        CallMethod(fso_.get(), copy_, args, 3, nullptr, "CopyFile");
    }
    // GetFolder(name).Files, each file's Name; the count.
    size_t List(BSTR folder) {
        VARIANT arg = Text(folder);
        co<IDispatch> item = CallForObject(fso_.get(), getFolder_, &arg, 1, "GetFolder");
        if (!files_) files_ = MemberId(item.get(), L"Files", "Folder members");
        VARIANT files = Property(item.get(), files_, "Files");
        Expect(V_VT(&files) == VT_DISPATCH, "Files gave no object");
        co<IDispatch> collection(V_DISPATCH(&files));
        VARIANT enumerator = Property(collection.get(), DISPID_NEWENUM, "_NewEnum");
        Expect(V_VT(&enumerator) == VT_UNKNOWN || V_VT(&enumerator) == VT_DISPATCH, "_NewEnum gave no object");
        co<IEnumVARIANT> each;
        CheckResult(V_UNKNOWN(&enumerator)->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(each.Out())),
                    "IEnumVARIANT");
        VariantClear(&enumerator);
        size_t count = 0;
        VARIANT one;
        VariantInit(&one);
        while (each->Next(1, &one, nullptr) == S_OK) {
            if (!name_) name_ = MemberId(V_DISPATCH(&one), L"Name", "File members");
            VARIANT name = Property(V_DISPATCH(&one), name_, "Name");
            VariantClear(&name);
            VariantClear(&one);
            ++count;
        }
        return count;
    }

private:
    co<IDispatch> fso_;
    DISPID exists_ = 0, getFile_ = 0, copy_ = 0, getFolder_ = 0, size_ = 0, time_ = 0, files_ = 0, name_ = 0;
};

// The rows of one group: the plug-in, then the direct calls and the
// scripting object with their goals.
void Rows(const Context& c, const char* group, const char* command, const std::vector<Result>& results,
          const char* direct, const char* fso) {
    const Result &plugin = results[0], &directResult = results[1], &fsoResult = results[2];
    std::string directRatio = Ratio(plugin, directResult), fsoRatio = Ratio(plugin, fsoResult);
    c.table->Add({group, command, plugin, "", "", ""});
    c.table->Add({group, direct, directResult, directRatio, "ratio <= 1.1",
                  directRatio.empty() ? "" : Verdict(plugin.median <= 1.1 * directResult.median)});
    c.table->Add({group, fso, fsoResult, fsoRatio, "ratio <= 0.8",
                  fsoRatio.empty() ? "" : Verdict(plugin.median <= 0.8 * fsoResult.median)});
}

void MakeFile(const std::string& name, size_t size) {
    std::string text = Lines(size);
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    THROW_LAST_ERROR_IF(handle == INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(handle);
}

}  // namespace

void FileOpsCase(const Context& c) {
    std::unique_ptr<Fso> fso;
    std::string noFso;
    try {
        fso.reset(new Fso);
    } catch (const KelmirException& e) {
        noFso = e.Reason();
    }
    co<HostSession> session(new HostSession);

    std::string file = *c.scratch + "info.txt";
    MakeFile(file, 1000);
    std::wstring wideFile = Wide(file);
    Bstr fileName(wideFile), info(L"aRvik.FileInfo");
    const int batch = 20;
    std::vector<Result> infos =
         Measure(Budget(c, 3.0, 9, 51), {PluginVariant(c, batch, [&] {
             double seconds = 0;
             for (int i = 0; i < batch; ++i) {
                 session->Set(L"aRvik.FileName", wideFile.c_str());
                 Stopwatch watch;
                 CheckResult(c.plugin->Command(session.get(), info), "aRvik.FileInfo");
                 seconds += watch.Seconds();
             }
             Expect(wcscmp(session->Value(L"aRvik.FileSize"), L"1000") == 0, "aRvik.FileInfo gave another size");
             return seconds;
         }), Variant{batch, [&] {
             std::string got;
             Stopwatch watch;
             for (int i = 0; i < batch; ++i) got = InfoDirect(wideFile.c_str());
             double seconds = watch.Seconds();
             Expect(got.compare(0, 5, "1000 ") == 0, "the direct look gave another size");
             return seconds;
         }, ""}, Variant{batch, [&] {
             double size = 0;
             Stopwatch watch;
             for (int i = 0; i < batch; ++i) size = fso->Info(fileName);
             double seconds = watch.Seconds();
             Expect(size == 1000, "Size gave another size");
             return seconds;
         }, noFso}, Variant{batch, [&] {
             std::string got;
             Stopwatch watch;
             for (int i = 0; i < batch; ++i) got = InfoResolving(wideFile.c_str());
             double seconds = watch.Seconds();
             Expect(got.compare(0, 5, "1000 ") == 0, "the resolving look gave another size");
             return seconds;
         }, ""}});
    Rows(c, "file info", "aRvik.FileInfo", infos, "direct: GetFileAttributesExW + local time",
         "FileSystemObject FileExists + GetFile + Size + DateLastModified");
    // The floor of a command that must resolve the name it is given.
    std::string resolvingRatio = Ratio(infos[0], infos[3]);
    c.table->Add({"file info", "direct: name expanded and made full, then the same", infos[3], resolvingRatio,
                  "ratio <= 1.1", resolvingRatio.empty() ? "" : Verdict(infos[0].median <= 1.1 * infos[3].median)});
    DeleteFileA(file.c_str());

    std::string source = *c.scratch + "copy-source.txt", pluginCopy = *c.scratch + "copy-plugin.txt",
                directCopy = *c.scratch + "copy-direct.txt", fsoCopy = *c.scratch + "copy-fso.txt";
    const size_t copySize = 4 << 20;
    MakeFile(source, copySize);
    std::wstring wideSource = Wide(source), widePlugin = Wide(pluginCopy), wideDirect = Wide(directCopy);
    Bstr copy(L"aRvik.FileCopy"), fsoFrom(wideSource), fsoTo(Wide(fsoCopy));
    auto sized = [copySize](const std::string& name) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        return GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow == copySize;
    };
    Rows(c, "file copy, 4 MiB", "aRvik.FileCopy",
         Measure(Budget(c, 6.0, 9, 31), {PluginVariant(c, 1, [&] {
             session->Set(L"aRvik.FileName", wideSource.c_str());
             session->Set(L"aRvik.FileTarget", widePlugin.c_str());
             session->Set(L"aRvik.FileMode", L"replace");
             Stopwatch watch;
             CheckResult(c.plugin->Command(session.get(), copy), "aRvik.FileCopy");
             double seconds = watch.Seconds();
             Expect(sized(pluginCopy), "aRvik.FileCopy made no copy");
             return seconds;
         }), Variant{1, [&] {
             Stopwatch watch;
             THROW_LAST_ERROR_IF(!CopyFileW(wideSource.c_str(), wideDirect.c_str(), FALSE));
             double seconds = watch.Seconds();
             Expect(sized(directCopy), "CopyFileW made no copy");
             return seconds;
         }, ""}, Variant{1, [&] {
             Stopwatch watch;
             fso->Copy(fsoFrom, fsoTo);
             double seconds = watch.Seconds();
             Expect(sized(fsoCopy), "CopyFile made no copy");
             return seconds;
         }, noFso}}),
         "direct: CopyFileW", "FileSystemObject CopyFile");
    for (const std::string& name : {source, pluginCopy, directCopy, fsoCopy}) DeleteFileA(name.c_str());

    // Made once; under Wine this takes longer than all the runs.
    std::string folder = *c.scratch + "list";
    CreateDirectoryA(folder.c_str(), nullptr);
    char name[32];
    for (int i = 0; i < listCount; ++i) {
        snprintf(name, sizeof name, "\\Name %05d.txt", (i * 7919) % listCount);
        HANDLE handle = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        THROW_LAST_ERROR_IF(handle == INVALID_HANDLE_VALUE);
        CloseHandle(handle);
    }
    std::wstring wideFolder = Wide(folder);
    Bstr list(L"aRvik.FileList"), fsoFolder(wideFolder);
    Rows(c, "file list, 10,000 names", "aRvik.FileList",
         Measure(Budget(c, 8.0, 5, 21, 1), {PluginVariant(c, 1, [&] {
             session->Set(L"aRvik.FileName", wideFolder.c_str());
             Stopwatch watch;
             CheckResult(c.plugin->Command(session.get(), list), "aRvik.FileList");
             double seconds = watch.Seconds();
             Expect(wcscmp(session->Value(L"aRvik.Result"), L"10000") == 0, "aRvik.FileList gave another count");
             return seconds;
         }), Variant{1, [&] {
             Stopwatch watch;
             size_t count = ListDirect(wideFolder.c_str());
             double seconds = watch.Seconds();
             Expect(count == listCount, "the direct listing gave another count");
             return seconds;
         }, ""}, Variant{1, [&] {
             Stopwatch watch;
             size_t count = fso->List(fsoFolder);
             double seconds = watch.Seconds();
             Expect(count == listCount, "Files gave another count");
             return seconds;
         }, noFso}}),
         "direct: FindFirstFileExW + lstrcmpiW sort + join", "FileSystemObject GetFolder + Files + Name");
    session->Set(L"aRvik.FileText", L"");
    RemoveTree(folder);
}
