// Where exceptions meet COM callers.
//
// A C++ exception must never unwind through a caller's frames: the host and
// the system's Automation code are other modules, and on 32-bit Windows the
// unwinder cannot pass their frames. So every COM operation of an object
// runs its body through ComOperation, which catches at the operation's own
// border:
//   - inside TallivantObject2::Invoke (a ComInvokeScope is open on the
//     thread) the exception is kept for Invoke, which reports it after
//     DispInvoke has returned;
//   - called straight through the table of operations, it becomes the
//     thread's error information and a failure result.
// ComExceptionRecord turns the exception being handled into an Automation
// exception record by the table below (most derived class first):
//   OleAutoException  code: low 16 bits of its number; its source and
//                     description when not empty, else "Kelmir Tallivant"
//                     and its reason
//   CoError           code: low 16 bits of its result; its reason
//   KelmirException   code 59999; its reason
//   anything else     code 59999; "Необработанная ошибка неизвестного типа"
// The status code is always DISP_E_EXCEPTION; help file and context stay unset.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <exception>
#include <new>

#include <co.h>
#include <exceptions.h>
#include <fwbase/Co.h>
#include <fwbase/Exception.h>

const WORD ComPlainErrorCode = 59999;
#define COM_ERROR_SOURCE "Kelmir Tallivant"

// Fills record (when given) from the exception being handled; call only
// inside a catch block. Gives DISP_E_EXCEPTION.
inline HRESULT ComExceptionRecord(EXCEPINFO* record) noexcept {
    if (!record) return DISP_E_EXCEPTION;
    try {
        WORD code = ComPlainErrorCode;
        string source(COM_ERROR_SOURCE), description;
        try {
            throw;
        } catch (const OleAutoException& e) {
            code = LOWORD(e.Number());
            if (NotEmpty(e.Source())) source = e.Source();
            description = NotEmpty(e.Description()) ? e.Description() : string(e.Reason());
        } catch (const CoError& e) {
            code = LOWORD(e.Code());
            description = e.Reason();
        } catch (const KelmirException& e) {
            description = e.Reason();
        } catch (...) {
            description = "Необработанная ошибка неизвестного типа";
        }
        SysFreeString(record->bstrSource);
        SysFreeString(record->bstrDescription);
        SysFreeString(record->bstrHelpFile);
        *record = EXCEPINFO();
        record->wCode = code;
        record->bstrSource = CoString(source.c_str()).Detach();
        record->bstrDescription = CoString(description.c_str()).Detach();
        record->scode = DISP_E_EXCEPTION;
    } catch (...) {
    }
    return DISP_E_EXCEPTION;
}

// The exception being handled as the thread's error information (the
// record's code as help context); gives the result for a caller that
// called the operation directly. Call only inside a catch block.
inline HRESULT ComErrorInfo() noexcept {
    HRESULT result = E_FAIL;
    try {
        throw;
    } catch (const CoError& e) {
        result = e.Code();
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    } catch (...) {
    }
    EXCEPINFO record = EXCEPINFO();
    ComExceptionRecord(&record);
    co<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out()))) {
        create->SetDescription(record.bstrDescription);
        create->SetSource(record.bstrSource);
        create->SetHelpContext(record.wCode);
        co<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.Out()))))
            SetErrorInfo(0, info.get());
    }
    SysFreeString(record.bstrSource);
    SysFreeString(record.bstrDescription);
    return FAILED(result) ? result : E_FAIL;
}

// Open while TallivantObject2::Invoke runs DispInvoke on this thread: keeps
// the exception that the operation called caught at its border. Only that
// operation sees the scope: while it runs, calls it makes straight into
// other objects report through error information. Scopes nest.
class ComInvokeScope {
public:
    ComInvokeScope() : outer_(current()) { current() = this; }
    ~ComInvokeScope() { current() = outer_; }
    ComInvokeScope(const ComInvokeScope&) = delete;
    ComInvokeScope& operator=(const ComInvokeScope&) = delete;

    // Throws the kept exception again, if there is one.
    void Rethrow() {
        if (!caught_) return;
        std::exception_ptr e = caught_;
        caught_ = nullptr;
        std::rethrow_exception(e);
    }

    // Held by an operation while its body runs.
    class Entry {
    public:
        Entry() : scope_(current()) { current() = nullptr; }
        ~Entry() { current() = scope_; }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        // Call only inside a catch block; false when no scope was open.
        bool Keep() noexcept {
            if (!scope_) return false;
            scope_->caught_ = std::current_exception();
            return true;
        }

    private:
        ComInvokeScope* scope_;
    };

private:
    static ComInvokeScope*& current() {
        static thread_local ComInvokeScope* scope = nullptr;
        return scope;
    }
    ComInvokeScope* outer_;
    std::exception_ptr caught_;
};

// Runs an operation that gives a result code: S_OK when body returns.
template <class F>
HRESULT ComOperation(F&& body) noexcept {
    ComInvokeScope::Entry entry;
    try {
        body();
        return S_OK;
    } catch (...) {
        if (entry.Keep()) return DISP_E_EXCEPTION;
        return ComErrorInfo();
    }
}

// Runs an operation that gives a value: failed when body throws.
template <class R, class F>
R ComOperation(R failed, F&& body) noexcept {
    ComInvokeScope::Entry entry;
    try {
        return body();
    } catch (...) {
        if (!entry.Keep()) ComErrorInfo();
        return failed;
    }
}
