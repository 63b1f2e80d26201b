// AutoLayout: keeps the controls of a dialog placed when it is resized.
//
// Made with new for a window; it then belongs to the window and deletes
// itself when the window is destroyed, so its creator keeps no pointer.
// SetRules takes the rules and measures, from the current (template)
// positions, the distance of each rule's control edge to its reference
// edge. On every WM_SIZE the rules are applied in their order: the edge is
// put back at that distance from where the reference edge now is. Mode 0
// moves only that edge (the control stretches), mode 1 the whole control
// (it keeps its size). A rule may refer to a control that an earlier rule
// placed. Rules naming a missing control are ignored.
#pragma once

#include <fwwin/SubclassWindow.h>

// Edges in rectangle order.
enum LayoutEdge { EdgeLeft = 0, EdgeTop = 1, EdgeRight = 2, EdgeBottom = 3 };
enum LayoutMode { LayoutStretch = 0, LayoutMove = 1 };

// Seven 32-bit integers: control id, mode, edge, reference control id (0:
// the window itself), reference edge, and two that must be 0.
struct LayoutRule {
    int control, mode, edge, reference, referenceEdge, reserved1, reserved2;
};

class AutoLayout : public DSubclassWindow {
public:
    explicit AutoLayout(HWND window);
    ~AutoLayout() override;

    // Replaces the rules. Rules with an edge or mode outside the ranges
    // above are ignored.
    virtual void SetRules(const LayoutRule* rules, int count);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Placed {
        LayoutRule rule;
        LONG distance;
    };
    bool EdgeOf(int id, int edge, LONG* value);
    void Apply();
    Placed* rules_;
    int count_;
};
