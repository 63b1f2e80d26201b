// aRvikControlPage: the control-panel page "Дополнительные параметры" of
// the additional session properties (the Session Props key).
//
// The page shows the properties in a two-column list and lets the operator
// create, change and delete them. Edits stay in params until the host
// applies the panel; Apply then writes only what the operator touched:
// deleted names are removed, listed values that exist in the registry are
// rewritten as text, and a listed value that is missing there is written
// only when it was added or changed on the page. Afterwards the page shows
// what the registry holds. Its parameter dialog is ItemDialog.
//
// The policies' Session Props (Policy.h) are listed too, each after the
// user's property of the same name, their values marked " (политика)";
// they can be neither changed nor deleted here, and Apply never writes
// them. A user's property that a policy overrides stays the user's to
// change, its value marked " (заменено политикой)".
#pragma once

#include <ControlPluginPage.h>
#include <fwwin/SubclassWindow.h>
#include <map.h>
#include <str.h>
#include <vec.h>

class aRvikControlPage : public TAXDK::Standard::ControlPluginPage {
public:
    class ItemDialog;
    class PageDialog;

    enum { ListId = 1482, CreateId = 501, ChangeId = 509, DeleteId = 522 };

    // Makes a page (loading the properties), hands it to the control panel
    // with this module's path and the page's template name, and gives a
    // reference that the caller releases.
    static co<ITallivantControlPage> CreatePage(ITallivantControlPanel* host);

    explicit aRvikControlPage(ITallivantControlPanel* host);

    LONG STDMETHODCALLTYPE Init(LONG_PTR window) override;                            // 7
    LONG STDMETHODCALLTYPE Command(unsigned short code, unsigned short id,
                                   LONG_PTR control) override;                        // 9
    LONG STDMETHODCALLTYPE Help(LONG_PTR window) override;                            // 10
    LONG STDMETHODCALLTYPE Apply(LONG flags, LONG reserved, LONG* result) override;   // 11

    // Reads the properties from the registry, forgetting every edit; gives
    // their number. A missing key gives 0.
    int LoadParams();
    void FillList();
    // Selects and focuses the list item of name; false when it is not listed.
    bool SelectParam(const char* name);
    // The selected name, or a null string; policy, when given, tells
    // whether the selected row is a policy's.
    string SelectedParam(bool* policy = nullptr);
    // Runs the parameter dialog for name (empty: a new one); true when the
    // page changed.
    bool EditParam(const keystring& name);
    // True when name was there.
    bool DeleteParam(const keystring& name);

protected:
    PageDialog* pageDialog;
    map<keystring, string> params;
    ivec<keystring> changedNames;
    ivec<keystring> deletedNames;
    bool modified;
    map<keystring, string> policyParams;  // the policies', as last loaded

private:
    template <class Row>
    void ForEachRow(Row row) const;
    LONG InitPage(HWND window);
    void ShowLocked(const string& name);
    bool Store(const keystring& name, const string& value);
    void NoteChange(const keystring& name);
};

// Watches the page window for a double click in the list, which it turns
// into the "&Изменить" command.
class aRvikControlPage::PageDialog : public DSubclassWindow {
public:
    explicit PageDialog(HWND window) : DSubclassWindow(window, SubclassOwnedByWindow) {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
