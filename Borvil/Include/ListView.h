// ListView: a list-view control with the window library's column and item
// operations (Columns, Items; see fwwin/ListViewProp.h). Like every control
// wrapper it leaves the window alive when it goes.
#pragma once

#include <fwwin/ListViewProp.h>

#include "ControlPort.h"

class ListView : public ControlPort {
public:
    typedef ListViewProp Prop;

    explicit ListView(HWND control) : ControlPort(control), Columns(this), Items(this) {}
    ListView(WindowPort* parent, int id) : ControlPort(parent, id), Columns(this), Items(this) {}
    ~ListView() override {}

    Prop::Columns Columns;
    Prop::Items Items;
};
