#include <fwlayout/AutoLayout.h>

static_assert(sizeof(LayoutRule) == 7 * 4, "a layout rule is seven 32-bit integers");

AutoLayout::AutoLayout(HWND window)
    : DSubclassWindow(window, SubclassOwnedByWindow), rules_(nullptr), count_(0) {}

AutoLayout::~AutoLayout() { delete[] rules_; }

// The edge of a control (or, for id 0, of the window's client area) in the
// window's client coordinates.
bool AutoLayout::EdgeOf(int id, int edge, LONG* value) {
    RECT rect;
    if (id == 0) {
        if (!::GetClientRect(Handle(), &rect)) return false;
    } else {
        HWND control = ::GetDlgItem(Handle(), id);
        if (!control || !::GetWindowRect(control, &rect)) return false;
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
    }
    const LONG edges[4] = {rect.left, rect.top, rect.right, rect.bottom};
    *value = edges[edge];
    return true;
}

void AutoLayout::SetRules(const LayoutRule* rules, int count) {
    Placed* placed = new Placed[count > 0 ? count : 0];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const LayoutRule& r = rules[i];
        if (r.edge < 0 || r.edge > 3 || r.referenceEdge < 0 || r.referenceEdge > 3) continue;
        if (r.mode != LayoutStretch && r.mode != LayoutMove) continue;
        LONG edge, reference;
        if (!EdgeOf(r.control, r.edge, &edge) || !EdgeOf(r.reference, r.referenceEdge, &reference))
            continue;
        placed[n].rule = r;
        placed[n].distance = edge - reference;
        ++n;
    }
    delete[] rules_;
    rules_ = placed;
    count_ = n;
}

void AutoLayout::Apply() {
    for (int i = 0; i < count_; ++i) {
        const LayoutRule& r = rules_[i].rule;
        HWND control = ::GetDlgItem(Handle(), r.control);
        LONG reference;
        RECT rect;
        if (!control || !EdgeOf(r.reference, r.referenceEdge, &reference) ||
            !::GetWindowRect(control, &rect))
            continue;
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
        LONG* edges[4] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
        LONG shift = reference + rules_[i].distance - *edges[r.edge];
        if (!shift) continue;
        if (r.mode == LayoutStretch) {
            *edges[r.edge] += shift;
        } else if (r.edge == EdgeLeft || r.edge == EdgeRight) {
            rect.left += shift;
            rect.right += shift;
        } else {
            rect.top += shift;
            rect.bottom += shift;
        }
        // A window smaller than the template must not turn a control inside out.
        if (rect.right < rect.left) rect.right = rect.left;
        if (rect.bottom < rect.top) rect.bottom = rect.top;
        ::MoveWindow(control, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
}

LRESULT AutoLayout::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = DSubclassWindow::HandleMessage(message, wParam, lParam);
    if (message == WM_SIZE && wParam != SIZE_MINIMIZED) Apply();
    return result;
}
