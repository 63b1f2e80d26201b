#include "ControlPanel.h"

#include <oleauto.h>

#include <RegistryNames.h>
#include <TallivantObject2.h>

#include "Console.h"
#include "PluginClass.h"

// Where a page window keeps its record.
#define PAGE_PROPERTY "ControlPanel.Page"

struct ControlPanel::Page {
    co<ITallivantControlPage> object;
    std::wstring modulePath, templateName;
    std::string templateAnsi;  // what the sheet is given
    HMODULE module = nullptr;
    HWND window = nullptr;     // while the sheet shows the page

    ~Page() {
        object.Release();  // before its code may go
        if (module) FreeLibrary(module);
    }
};

static std::wstring Copy(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// Runs one call of a page; a call that left error information counts as
// failed and is printed. Gives whether it succeeded.
template <class F>
static bool CallPage(const char* what, F&& call) {
    SetErrorInfo(0, nullptr);
    call();
    std::string error = TakeErrorInfo();
    if (error.empty()) return true;
    Print(std::string("control page: ") + what + " failed" + error);
    return false;
}

ControlPanel::ControlPanel()
    : IDispatchType<ITallivantControlPanel>(HostTypeInfo(__uuidof(ITallivantControlPanel))) {}

ControlPanel::~ControlPanel() {
    Close();
    pages_.clear();
}

HRESULT STDMETHODCALLTYPE ControlPanel::AddPage(ITallivantControlPage* page, BSTR modulePath, BSTR templateName) {
    if (!page || !SysStringLen(modulePath) || !SysStringLen(templateName)) return E_INVALIDARG;
    try {
        std::unique_ptr<Page> record(new Page);
        record->modulePath = Copy(modulePath);
        record->templateName = Copy(templateName);
        record->templateAnsi = Ansi(record->templateName);
        // The module's own folder is searched for what it imports.
        record->module = LoadLibraryExW(record->modulePath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!record->module) {
            DWORD error = GetLastError();
            Print("control panel: cannot load " + Ansi(record->modulePath) + ": error " + std::to_string(error));
            return HRESULT_FROM_WIN32(error);
        }
        // A page without its template would keep the whole sheet from showing.
        if (!FindResourceA(record->module, record->templateAnsi.c_str(), RT_DIALOG)) {
            Print("control panel: no dialog template \"" + record->templateAnsi + "\" in " + Ansi(record->modulePath));
            return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
        }
        page->AddRef();
        record->object = co<ITallivantControlPage>(page);
        pages_.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    Print("control panel: page \"" + pages_.back()->templateAnsi + "\" added");
    if (sheet_) {
        // The sheet on show takes it at once.
        std::vector<PROPSHEETPAGEA> sheetPages;
        Prepare(sheetPages);
        HPROPSHEETPAGE handle = CreatePropertySheetPageA(&sheetPages.back());
        if (!handle || !SendMessageA(sheet_, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle)))
            Print("control panel: the open sheet did not take the page");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ControlPanel::PageChanged(LONG_PTR window, LONG changed) {
    if (FAILED(pageChangedRefusal)) return pageChangedRefusal;
    Page* page = Find(reinterpret_cast<HWND>(window));
    if (!page) return E_INVALIDARG;
    HWND sheet = GetParent(page->window);
    if (!sheet) return E_UNEXPECTED;
    SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(page->window), 0);
    return S_OK;
}

int ControlPanel::LoadPlugins() {
    int loaded = 0;
    for (const std::string& name : RegisteredPlugins(CONTROL_PLUGINS_KEY)) {
        Print("control plug-in " + name);
        co<ITallivantControlPlugin> plugin(static_cast<ITallivantControlPlugin*>(
            CreatePluginObject(CONTROL_PLUGINS_KEY, name, IID_ITallivantControlPlugin)));
        if (!plugin) continue;
        size_t before = pages_.size();
        SetErrorInfo(0, nullptr);
        HRESULT hr = plugin->Initialize(static_cast<ITallivantControlPanel*>(this));
        if (FAILED(hr)) {
            Print("  initialise failed: " + HexCode(hr) + TakeErrorInfo());
            continue;
        }
        Print("  initialised: " + std::to_string(pages_.size() - before) + " page(s) added");
        ++loaded;
    }
    return loaded;
}

HWND ControlPanel::PageWindow(size_t index) const {
    return index < pages_.size() ? pages_[index]->window : nullptr;
}

ControlPanel::Page* ControlPanel::Find(HWND window) const {
    if (!window) return nullptr;
    for (const auto& page : pages_)
        if (page->window == window) return page.get();
    return nullptr;
}

bool ControlPanel::Prepare(std::vector<PROPSHEETPAGEA>& sheetPages) {
    if (pages_.empty()) {
        Print("control panel: no pages (no control plug-in added one)");
        return false;
    }
    // The list views and other common controls of the pages.
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
    for (const auto& page : pages_) {
        PROPSHEETPAGEA p = {};
        p.dwSize = sizeof p;
        p.dwFlags = PSP_DEFAULT | PSP_HASHELP;  // the tab shows the template's caption
        p.hInstance = page->module;
        p.pszTemplate = page->templateAnsi.c_str();
        p.pfnDlgProc = PageProcedure;
        p.lParam = reinterpret_cast<LPARAM>(page.get());
        sheetPages.push_back(p);
    }
    return true;
}

static PROPSHEETHEADERA Header(HWND owner, const std::string& title, std::vector<PROPSHEETPAGEA>& pages,
                               DWORD flags) {
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_HASHELP | flags;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = title.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = 0;
    header.ppsp = pages.data();
    return header;
}

HWND ControlPanel::Create(HWND owner, const char* title) {
    Close();
    std::vector<PROPSHEETPAGEA> pages;
    if (!Prepare(pages)) return nullptr;
    title_ = title ? title : "";
    PROPSHEETHEADERA header = Header(owner, title_, pages, PSH_MODELESS);
    INT_PTR result = PropertySheetA(&header);
    if (result == 0 || result == -1) {
        Print("control panel: the sheet cannot be made: error " + std::to_string(GetLastError()));
        return nullptr;
    }
    sheet_ = reinterpret_cast<HWND>(result);
    return sheet_;
}

void ControlPanel::Close() {
    if (!sheet_) return;
    HWND sheet = sheet_;
    sheet_ = nullptr;
    DestroyWindow(sheet);
}

INT_PTR ControlPanel::Run(HWND owner, const char* title) {
    std::vector<PROPSHEETPAGEA> pages;
    if (!Prepare(pages)) return -1;
    title_ = title ? title : "";
    PROPSHEETHEADERA header = Header(owner, title_, pages, 0);
    return PropertySheetA(&header);
}

INT_PTR CALLBACK ControlPanel::PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Page* page = nullptr;
    if (message == WM_INITDIALOG) {
        page = reinterpret_cast<Page*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetPropA(window, PAGE_PROPERTY, page);
        page->window = window;
    } else {
        page = static_cast<Page*>(GetPropA(window, PAGE_PROPERTY));
    }
    if (!page) return FALSE;
    if (message == WM_DESTROY) {
        RemovePropA(window, PAGE_PROPERTY);
        if (page->window == window) page->window = nullptr;
        return FALSE;
    }
    // Nothing may unwind into the sheet's code.
    try {
        return Dispatch(page, window, message, wParam, lParam);
    } catch (...) {
        Print("control panel: a page message failed");
        return FALSE;
    }
}

static void Result(HWND window, LONG_PTR result) { SetWindowLongPtrA(window, DWLP_MSGRESULT, result); }

INT_PTR ControlPanel::Dispatch(Page* page, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ITallivantControlPage* object = page->object.get();
    switch (message) {
    case WM_INITDIALOG: {
        long done = 0;
        CallPage("Init", [&] { done = object->Init(reinterpret_cast<LONG_PTR>(window)); });
        if (!done) Print("control page: Init gave 0");
        return TRUE;
    }
    case WM_COMMAND: {
        long handled = 0;
        CallPage("Command", [&] {
            handled = object->Command(HIWORD(wParam), LOWORD(wParam), static_cast<LONG_PTR>(lParam));
        });
        return handled ? TRUE : FALSE;
    }
    case WM_HELP: {
        long handled = 0;
        CallPage("Help", [&] { handled = object->Help(reinterpret_cast<LONG_PTR>(window)); });
        return handled ? TRUE : FALSE;
    }
    case WM_NOTIFY:
        break;
    default:
        return FALSE;
    }
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return FALSE;
    switch (header->code) {
    case PSN_SETACTIVE:
        CallPage("Activate", [&] { object->Activate(); });
        Result(window, 0);  // the page may become current
        return TRUE;
    case PSN_KILLACTIVE:
        Result(window, FALSE);  // the page may be left
        return TRUE;
    case PSN_HELP:
        CallPage("Help", [&] { object->Help(reinterpret_cast<LONG_PTR>(window)); });
        return TRUE;
    case PSN_APPLY: {
        LONG applied = 0;
        bool done = CallPage("Apply", [&] { object->Apply(0, 0, &applied); });
        // A failed apply keeps the sheet open on this page: what the operator
        // changed is not lost by closing.
        Result(window, done ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
        if (done && applied) Print("control page: changes applied");
        return TRUE;
    }
    default:
        return FALSE;
    }
}
