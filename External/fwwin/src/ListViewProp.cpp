#include <fwwin/ListViewProp.h>

#include <commctrl.h>

bool ListViewProp::Column::Text(const char* text) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = const_cast<char*>(text ? text : "");
    return view_->SendMessage(LVM_SETCOLUMNA, index_, reinterpret_cast<LPARAM>(&column)) != 0;
}

string ListViewProp::Column::Text() const {
    char buffer[1024] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = sizeof buffer;
    if (!view_->SendMessage(LVM_GETCOLUMNA, index_, reinterpret_cast<LPARAM>(&column))) return string("");
    return string(column.pszText);
}

bool ListViewProp::Column::AutoWidth(bool content) {
    return view_->SendMessage(LVM_SETCOLUMNWIDTH, index_,
                              content ? LVSCW_AUTOSIZE : LVSCW_AUTOSIZE_USEHEADER) != 0;
}

int ListViewProp::Column::Width() const {
    return static_cast<int>(view_->SendMessage(LVM_GETCOLUMNWIDTH, index_, 0));
}

int ListViewProp::Columns::Count() const {
    HWND header = reinterpret_cast<HWND>(view_->SendMessage(LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

ListViewProp::Column ListViewProp::Columns::Insert(const char* text, int index) {
    if (index < 0) index = Count();
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(text ? text : "");
    column.cx = 100;
    column.iSubItem = index;
    int at = static_cast<int>(view_->SendMessage(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
    return Column(view_, at);
}

bool ListViewProp::SubItem::Text(const char* text) {
    LVITEMA item = {};
    item.iSubItem = sub_;
    item.pszText = const_cast<char*>(text ? text : "");
    return view_->SendMessage(LVM_SETITEMTEXTA, item_, reinterpret_cast<LPARAM>(&item)) != 0;
}

int ListViewProp::SubItem::Text(char* buffer, int size) const {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    LVITEMA item = {};
    item.iSubItem = sub_;
    item.pszText = buffer;
    item.cchTextMax = size;
    view_->SendMessage(LVM_GETITEMTEXTA, item_, reinterpret_cast<LPARAM>(&item));
    buffer[size - 1] = 0;
    // Counted here: some controls give the length of the whole text.
    return lstrlenA(buffer);
}

bool ListViewProp::Item::State(UINT mask, bool on) {
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = on ? mask : 0;
    return view_->SendMessage(LVM_SETITEMSTATE, index_, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool ListViewProp::Item::Selected(bool on) { return State(LVIS_SELECTED, on); }
bool ListViewProp::Item::Focused(bool on) { return State(LVIS_FOCUSED, on); }

bool ListViewProp::Item::Selected() const {
    return (view_->SendMessage(LVM_GETITEMSTATE, index_, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

bool ListViewProp::Item::Focused() const {
    return (view_->SendMessage(LVM_GETITEMSTATE, index_, LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
}

int ListViewProp::Items::Count() const {
    return static_cast<int>(view_->SendMessage(LVM_GETITEMCOUNT, 0, 0));
}

ListViewProp::Item ListViewProp::Items::Insert(const char* text, int index) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index < 0 ? Count() : index;
    item.pszText = const_cast<char*>(text ? text : "");
    int at = static_cast<int>(view_->SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    return Item(view_, at);
}

bool ListViewProp::Items::Delete(int index) {
    if (index < 0) return view_->SendMessage(LVM_DELETEALLITEMS, 0, 0) != 0;
    return view_->SendMessage(LVM_DELETEITEM, index, 0) != 0;
}

int ListViewProp::Items::Find(const char* text, int start) const {
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = text ? text : "";
    return static_cast<int>(view_->SendMessage(LVM_FINDITEMA, start, reinterpret_cast<LPARAM>(&find)));
}

int ListViewProp::Items::Selected(int start) const {
    return static_cast<int>(view_->SendMessage(LVM_GETNEXTITEM, start, LVNI_SELECTED));
}
