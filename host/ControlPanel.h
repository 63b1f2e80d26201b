// ControlPanel: the host's control panel, a property sheet of the pages that
// control plug-ins add.
//
// AddPage keeps its own reference to the page and loads the page's module
// (kept loaded while the panel lives). Each time the sheet is shown, every
// page window is made from its template in that module; the panel's page
// procedure calls the page's Init when the window is made, Activate when it
// becomes current, and hands it commands, help requests (F1, the Help
// button) and the apply step. Page calls answer truth values, not result
// codes: a call that left error information is printed and the host goes on.
// A page whose Apply failed keeps the sheet open.
// The panel is used on one thread, the one that shows the sheet.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include <IDispatchType.h>
#include <Tallivanx.h>

class ControlPanel : public IDispatchType<ITallivantControlPanel> {
public:
    // Count 1, held by the creator.
    ControlPanel();

    HRESULT STDMETHODCALLTYPE AddPage(ITallivantControlPage* page, BSTR modulePath, BSTR templateName) override;
    // Marks the page window's sheet changed (changed != 0) or unchanged;
    // E_INVALIDARG for a window that is not a page of this panel.
    HRESULT STDMETHODCALLTYPE PageChanged(LONG_PTR window, LONG changed) override;

    // Asks every control plug-in registered under HKEY_LOCAL_MACHINE
    // \Software\Kelmir\Tallivant\Control Plugins for its pages. Gives the
    // number of plug-ins initialised; failures are printed and skipped.
    int LoadPlugins();
    size_t PageCount() const { return pages_.size(); }

    // Shows the sheet modeless with every page (owner may be null); gives the
    // sheet window, null (printed) when there are no pages or it cannot be
    // made. The caller's message loop passes messages through
    // PropSheet_IsDialogMessage and calls Close once
    // PropSheet_GetCurrentPageHwnd gives null (OK or Cancel was pressed).
    HWND Create(HWND owner, const char* title);
    // The modeless sheet, or null.
    HWND Sheet() const { return sheet_; }
    // Destroys the modeless sheet, if any.
    void Close();

    // Runs the sheet modally; gives PropertySheet's result (-1 when there are
    // no pages or it fails).
    INT_PTR Run(HWND owner, const char* title);

    // The window of the page added as index (0 first) while the sheet shows
    // it, else null.
    HWND PageWindow(size_t index) const;

    // A failure code that PageChanged answers instead of doing its work
    // (S_OK: it works); tests use it to see pages cope with a refusal.
    HRESULT pageChangedRefusal = S_OK;

private:
    struct Page;

    ~ControlPanel() override;
    bool Prepare(std::vector<PROPSHEETPAGEA>& sheetPages);
    Page* Find(HWND window) const;
    static INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR Dispatch(Page* page, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<std::unique_ptr<Page>> pages_;
    HWND sheet_ = nullptr;
    std::string title_;
};
