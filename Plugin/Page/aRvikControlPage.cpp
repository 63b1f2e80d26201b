#include "Page/aRvikControlPage.h"

#include <commctrl.h>

#include <algorithm>

#include <ListView.h>
#include <checks.h>
#include <exceptions.h>
#include <fwbase/Co.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>
#include <fwlayout/AutoLayout.h>

#include "Page/HelpFile.h"
#include "Resources/Instance.h"
#include "Page/ItemDialog.h"
#include "Settings/Policy.h"
#include <RegistryNames.h>
#include "Settings/RequiredKey.h"
#include "Settings/SessionProps.h"

#ifndef HH_TP_HELP_WM_HELP
#define HH_TP_HELP_WM_HELP 0x0011
#endif

static const char* const kTemplate = "aRvikControlPage";

// The list view grows with the page; the three buttons travel as a group
// below it, keeping their distances from its right edge.
static const LayoutRule kPageRules[] = {
    {aRvikControlPage::ListId, LayoutStretch, EdgeRight, 0, EdgeRight, 0, 0},
    {aRvikControlPage::ListId, LayoutStretch, EdgeBottom, 0, EdgeBottom, 0, 0},
    {aRvikControlPage::CreateId, LayoutMove, EdgeTop, aRvikControlPage::ListId, EdgeBottom, 0, 0},
    {aRvikControlPage::CreateId, LayoutMove, EdgeRight, aRvikControlPage::ListId, EdgeRight, 0, 0},
    {aRvikControlPage::ChangeId, LayoutMove, EdgeTop, aRvikControlPage::ListId, EdgeBottom, 0, 0},
    {aRvikControlPage::ChangeId, LayoutMove, EdgeRight, aRvikControlPage::ListId, EdgeRight, 0, 0},
    {aRvikControlPage::DeleteId, LayoutMove, EdgeTop, aRvikControlPage::ListId, EdgeBottom, 0, 0},
    {aRvikControlPage::DeleteId, LayoutMove, EdgeRight, aRvikControlPage::ListId, EdgeRight, 0, 0},
};

co<ITallivantControlPage> aRvikControlPage::CreatePage(ITallivantControlPanel* host) {
    co<ITallivantControlPage> page;
    *page.Out() = new aRvikControlPage(host);
    CoString templateName(kTemplate);
    CoString modulePath(GetModuleFileNameA(PluginInstance()).c_str());
    THROW_IF_FAILED(host->AddPage(page.get(), modulePath, templateName));
    return page;
}

aRvikControlPage::aRvikControlPage(ITallivantControlPanel* host)
    : ControlPluginPage(host, kTemplate), pageDialog(nullptr), modified(false) {
    LoadParams();
}

int aRvikControlPage::LoadParams() {
    params.Delete(0, -1);
    deletedNames.Delete(0, -1);
    changedNames.Delete(0, -1);
    ReadPolicySessionProps(policyParams);
    RequiredKey key = RequiredKey::Optional(HKEY_CURRENT_USER, SESSION_PROPS_KEY, KEY_READ);
    if (!key) return 0;
    ForEachSessionProp(key, &FixedAt::kControlPageProps, [this](const string& name, const RequiredKey::Value& value) {
        if (value.type == REG_SZ)
            params.Insert(keystring(name), value.text);
        else if (value.type == REG_DWORD)
            params.Insert(keystring(name), Format(NumberPlain, value.number, 0));
    });
    return params.Count();
}

// The list's rows in order, row(name, value as shown, policy row): by
// name, a user's property before the policy's of the same name.
template <class Row>
void aRvikControlPage::ForEachRow(Row row) const {
    int user = 0, policy = 0;
    while (user < params.Count() || policy < policyParams.Count()) {
        if (policy == policyParams.Count() ||
            (user < params.Count() &&
             keystring::Order(params.At(user).key.get(), policyParams.At(policy).key.get()) <= 0)) {
            const map<keystring, string>::pair& entry = params.At(user++);
            bool overridden = policyParams.Find(entry.key) >= 0;
            row(entry.key, overridden ? entry.value + " (заменено политикой)" : entry.value, false);
        } else {
            const map<keystring, string>::pair& entry = policyParams.At(policy++);
            row(entry.key, entry.value + " (политика)", true);
        }
    }
}

void aRvikControlPage::FillList() {
    ListView list(::GetDlgItem(window, ListId));
    list.Items.Delete(-1);
    ForEachRow([&list](const keystring& name, const string& value, bool) {
        ListView::Prop::Item item = list.Items.Insert("", -1);
        item[0].Text(name.c_str());
        item[1].Text(value.c_str());
    });
}

bool aRvikControlPage::SelectParam(const char* name) {
    ListView list(::GetDlgItem(window, ListId));
    int index = list.Items.Find(name, -1);
    if (index < 0) return false;
    list.Items[index].Selected(true);
    list.Items[index].Focused(true);
    ::PostMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list.Handle()), 1);
    return true;
}

string aRvikControlPage::SelectedParam(bool* policy) {
    ListView list(::GetDlgItem(window, ListId));
    int index = list.Items.Selected(-1);
    if (index < 0) return string();
    const int size = 65536;
    aptr<char> buffer(new char[size]);
    list.Items[index][0].Text(buffer.get(), size);
    if (policy) {
        int at = 0;
        *policy = false;
        ForEachRow([&](const keystring&, const string&, bool policyRow) {
            if (at++ == index) *policy = policyRow;
        });
    }
    return string(buffer.get());
}

void aRvikControlPage::ShowLocked(const string& name) {
    Message(string("Параметр \"") + name + "\" задан политикой администратора: изменить или удалить его здесь нельзя.",
            MB_OK | MB_ICONINFORMATION, nullptr, nullptr, 0);
}

LONG STDMETHODCALLTYPE aRvikControlPage::Init(LONG_PTR window_) {
    return ComOperation(0L, [this, window_] { return InitPage(reinterpret_cast<HWND>(window_)); });
}

LONG aRvikControlPage::InitPage(HWND page) {
    if (!ControlPluginPage::Init(reinterpret_cast<LONG_PTR>(page))) return 0;
    try {
        pageDialog = new PageDialog(window);
        caption = WindowText(window);
        (new AutoLayout(window))->SetRules(kPageRules, sizeof kPageRules / sizeof kPageRules[0]);
        ListView list(::GetDlgItem(window, ListId));
        const LPARAM styles = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
        list.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
        list.Columns.Insert("Параметр", -1);
        list.Columns.Insert("Значение", -1);
        FillList();
        // Each column as wide as the wider of its header and its values. The
        // header's own sizing can come out a few pixels short of its text
        // (so under Wine): the text's width and the header's margins, three
        // edges a side, are the floor.
        for (int i = 0; i < list.Columns.Count(); ++i) {
            list.Columns[i].AutoWidth(true);
            int values = list.Columns[i].Width();
            int text = static_cast<int>(list.SendMessage(
                LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(list.Columns[i].Text().c_str())));
            int need = std::max(values, text + 6 * GetSystemMetrics(SM_CXEDGE));
            list.Columns[i].AutoWidth(false);
            if (list.Columns[i].Width() < need) list.SendMessage(LVM_SETCOLUMNWIDTH, i, need);
        }
        return 1;
    } catch (const KelmirException& e) {
        ShowError(e.Reason(), nullptr, nullptr, 0);
        return 0;
    }
}

LONG STDMETHODCALLTYPE aRvikControlPage::Command(unsigned short code, unsigned short id, LONG_PTR control) {
    return ComOperation(0L, [this, code, id, control]() -> LONG {
        switch (id) {
        case CreateId:
            EditParam(keystring());
            return 1;
        case ChangeId:
        case DeleteId: {
            bool policy = false;
            string name = SelectedParam(&policy);
            if (!name.get()) return 1;
            if (policy)
                ShowLocked(name);
            else if (id == ChangeId)
                EditParam(keystring(name));
            else
                DeleteParam(keystring(name));
            return 1;
        }
        default:
            return ControlPluginPage::Command(code, id, control);
        }
    });
}

LONG STDMETHODCALLTYPE aRvikControlPage::Help(LONG_PTR window_) {
    return ComOperation(0L, [this, window_]() -> LONG {
        if (ControlPluginPage::Help(window_)) return 1;
        // The command's list of control and topic pairs: an empty one.
        static const DWORD noTopics[2] = {0, 0};
        CallHtmlHelp(reinterpret_cast<HWND>(window_), HelpFilePath().c_str(), HH_TP_HELP_WM_HELP,
                     reinterpret_cast<DWORD_PTR>(noTopics));
        return 1;
    });
}

// What was written before a failure stays written; the edits stay on the
// page until a write succeeds.
LONG STDMETHODCALLTYPE aRvikControlPage::Apply(LONG flags, LONG reserved, LONG* result) {
    return ComOperation(0L, [this, flags, reserved, result]() -> LONG {
        if (modified) {
            // A key that does not open throws: nothing would be written, and
            // the reload would hide it.
            if (deletedNames.Count()) {
                RequiredKey key(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_ALL_ACCESS);
                for (int i = 0; i < deletedNames.Count(); ++i) {
                    const char* name = deletedNames.At(i)->c_str();
                    if (key.Has(name)) key.Remove(name);
                }
            }
            if (params.Count()) {
                RequiredKey key(HKEY_CURRENT_USER, SESSION_PROPS_KEY, true, KEY_ALL_ACCESS);
                for (int i = 0; i < params.Count(); ++i) {
                    const map<keystring, string>::pair& entry = params.At(i);
                    const char* name = entry.key.c_str();
                    if (key.Has(name)) {
                        // Deleted first so that the name is stored as listed.
                        // Should the write then fail, the name counts as
                        // changed, so a later Apply still writes it back.
                        changedNames.AddSorted(entry.key);
                        key.Remove(name);
                        key.Write(name, entry.value.c_str());
                    } else if (changedNames.FindSorted(entry.key) >= 0) {
                        key.Write(name, entry.value.c_str());
                    }
                }
            }
            if (result) *result = 1;
            LoadParams();
            FillList();
        }
        return ControlPluginPage::Apply(flags, reserved, result);
    });
}

bool aRvikControlPage::EditParam(const keystring& original) {
    const bool isNew = original.empty();
    keystring name = original;
    string value;
    if (!isNew) {
        int at = params.Find(name);
        if (at >= 0) value = params.At(at).value;
    }
    bool changed = false;
    for (;;) {
        ItemDialog dialog(isNew, &name, &value);
        if (dialog.Execute(window) != IDOK) break;
        try {
            // Blanks only are trimmed to an empty name, which would be stored
            // as the key's unnamed value and never listed again.
            if (name.empty()) {
                Message("Имя параметра не может быть пустым или состоять только из пробелов.",
                        MB_OK | MB_ICONWARNING, nullptr, nullptr, 0);
                continue;
            }
            int at = params.Find(name);
            if (at >= 0 && isNew) {
                string question = string("Параметр \"") + name + "\" уже существует. Перезаписать?";
                int answer = Message(question, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, nullptr,
                                     nullptr, 0);
                if (answer == IDNO) continue;
                if (answer != IDYES) break;
            }
            changed = Store(name, value);
            NoteChange(name);
            break;
        } catch (const KelmirException& e) {
            if (Message(e.Reason(), MB_RETRYCANCEL | MB_ICONERROR, nullptr, nullptr, 0) == IDRETRY) continue;
            FillList();
            break;
        }
    }
    return changed;
}

// Replaces any entry of the name (in whatever letter case) with the name
// as given.
bool aRvikControlPage::Store(const keystring& name, const string& value) {
    int at = params.Find(name);
    if (at >= 0) params.Delete(at, 1);
    params.Insert(name, value);
    return true;
}

void aRvikControlPage::NoteChange(const keystring& name) {
    changedNames.AddSorted(name);
    modified = true;
    THROW_IF_FAILED(host->PageChanged(reinterpret_cast<LONG_PTR>(window), 1));
    FillList();
    SelectParam(name.c_str());
}

bool aRvikControlPage::DeleteParam(const keystring& name) {
    int at = params.Find(name);
    bool found = at >= 0;
    if (found) {
        deletedNames.AddSorted(name);
        params.Delete(at, 1);
        modified = true;
        // The list shows what params holds, also when the host refuses.
        try {
            THROW_IF_FAILED(host->PageChanged(reinterpret_cast<LONG_PTR>(window), 1));
        } catch (...) {
            FillList();
            throw;
        }
    }
    FillList();
    return found;
}

LRESULT aRvikControlPage::PageDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && wParam == static_cast<WPARAM>(ListId)) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == static_cast<UINT>(NM_DBLCLK))
            ::SendMessageA(::GetParent(Handle()), WM_COMMAND, ChangeId, 0);
    }
    return DSubclassWindow::HandleMessage(message, wParam, lParam);
}
