// ControlPort: a dialog control, known either by its handle or by its
// parent's wrapper and its id. In the second form the handle is fetched
// once, with GetDlgItem, on first use. ButtonPort and EditPort only name
// the kind of control. None of them owns its window.
#pragma once

#include <WindowPort.h>

class ControlPort : public WindowPort {
public:
    explicit ControlPort(HWND control)
        : WindowPort(control), parent_(nullptr),
          id_(control ? static_cast<int>(::GetWindowLongPtrA(control, GWL_ID)) : 0) {}
    ControlPort(WindowPort* parent, int id) : WindowPort(nullptr), parent_(parent), id_(id) {}
    ~ControlPort() override {}

    HWND Handle() override {
        if (!window_ && parent_) window_ = ::GetDlgItem(parent_->Handle(), id_);
        return window_;
    }
    // The control id of the window when its handle is known, else the
    // stored one.
    virtual int Id() {
        return window_ ? static_cast<int>(::GetWindowLongPtrA(window_, GWL_ID)) : id_;
    }

private:
    WindowPort* parent_;
    int id_;
};

class ButtonPort : public ControlPort {
public:
    using ControlPort::ControlPort;
    ~ButtonPort() override {}
};

class EditPort : public ControlPort {
public:
    using ControlPort::ControlPort;
    ~EditPort() override {}
};
