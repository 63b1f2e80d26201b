// owned<Traits>: the one owner of a resource that a system call handed out,
// closed by Traits::Close when the owner goes or takes another one. Move-only:
// a copy would close the resource twice.
//
// Traits gives the resource's type, its empty value (None) and what counts
// as empty (IsEmpty), and closes it (Close). Closing keeps the thread's last
// error as it was, so an owner that goes while a failure is reported leaves
// the failure's reason alone.
//
// Every owner of the product's code is one of these:
//
//   KernelHandle   a kernel object's HANDLE; null and INVALID_HANDLE_VALUE
//                  both count as empty (files fail with the one, most other
//                  objects with the other)
//   RegistryKey    an open registry key (RegCloseKey)
//   FindHandle     a file search (FindFirstFile..., FindClose); empty is
//                  INVALID_HANDLE_VALUE
//   AttributeList  a process start's attribute list, made in memory of its
//                  own (new char[]): closing deletes the list, then frees
//                  the memory
//
// or one of two that live with what they need:
//
//   InternetHandle a WinHTTP handle (session, connection or request):
//                  owned<InternetHandleTraits> of Plugin/Web/InternetHandle.h,
//                  beside the one room that makes such handles, so that the
//                  foundation neither includes winhttp.h nor links WinHTTP
//   Trevan::Handle the threading toolkit's events, threads and timers
//                  (Shared/Trevan/Handle.h): a copy duplicates the handle,
//                  which an owned<> never does
#pragma once

#include <windows.h>

template <class Traits>
class owned {
public:
    typedef typename Traits::Type Type;

    owned() : value_(Traits::None()) {}
    explicit owned(Type value) : value_(value) {}
    owned(owned&& other) noexcept : value_(other.Detach()) {}
    owned& operator=(owned&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    owned(const owned&) = delete;
    owned& operator=(const owned&) = delete;
    ~owned() { Close(); }

    Type get() const { return value_; }
    explicit operator bool() const { return !Traits::IsEmpty(value_); }

    // Closes what is held; the owner is empty afterwards.
    void Close() { Reset(Traits::None()); }
    // Closes what is held and takes value over.
    void Reset(Type value) {
        Type old = value_;
        value_ = value;
        if (Traits::IsEmpty(old) || old == value) return;
        DWORD error = GetLastError();
        Traits::Close(old);
        SetLastError(error);
    }
    // For a call that hands the resource out through a pointer: closes what
    // is held and gives the place the call writes into. Not every call says
    // what it leaves there when it fails: the caller Detaches then.
    Type* Put() {
        Close();
        return &value_;
    }
    // Gives up the resource without closing it.
    Type Detach() {
        Type value = value_;
        value_ = Traits::None();
        return value;
    }

private:
    Type value_;
};

struct KernelHandleTraits {
    typedef HANDLE Type;
    static HANDLE None() { return nullptr; }
    static bool IsEmpty(HANDLE handle) { return !handle || handle == INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
typedef owned<KernelHandleTraits> KernelHandle;

struct RegistryKeyTraits {
    typedef HKEY Type;
    static HKEY None() { return nullptr; }
    static bool IsEmpty(HKEY key) { return !key; }
    static void Close(HKEY key) { RegCloseKey(key); }
};
typedef owned<RegistryKeyTraits> RegistryKey;

struct FindHandleTraits {
    typedef HANDLE Type;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static bool IsEmpty(HANDLE search) { return search == INVALID_HANDLE_VALUE; }
    static void Close(HANDLE search) { FindClose(search); }
};
typedef owned<FindHandleTraits> FindHandle;

struct AttributeListTraits {
    typedef LPPROC_THREAD_ATTRIBUTE_LIST Type;
    static Type None() { return nullptr; }
    static bool IsEmpty(Type list) { return !list; }
    static void Close(Type list) {
        DeleteProcThreadAttributeList(list);
        delete[] reinterpret_cast<char*>(list);
    }
};
typedef owned<AttributeListTraits> AttributeList;
