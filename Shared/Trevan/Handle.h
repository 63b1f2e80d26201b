// Owning wrapper of one kernel handle.
//
// A Handle owns its handle exclusively and closes it on Close or
// destruction. Copying never shares: a copy of a valid handle holds its own
// inheritable duplicate with the same access (a failed duplication throws
// WindowsError); a copy of an empty one is empty and makes no system call.
// Null means "no handle"; INVALID_HANDLE_VALUE is not special, as only
// functions that return null on failure are wrapped. Moving hands the
// handle over without a system call and cannot fail.
#pragma once

#include <windows.h>

namespace Trevan {

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    Handle(const Handle& other);
    // Takes the handle over without a system call; other is left empty.
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Handle& operator=(const Handle&) = delete;
    virtual ~Handle() { Close(); }

    virtual bool IsValid() const = 0;

    // Closes the handle and forgets it; a second Close does nothing.
    void Close();
    // The raw handle, for system calls made by the owner.
    HANDLE Get() const { return handle_; }

protected:
    HANDLE handle_;
};

}  // namespace Trevan
