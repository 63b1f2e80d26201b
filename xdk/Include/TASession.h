// TASession: one host session object's values, for the length of one call.
//
// Values are text; the typed forms are built on the text operations, which
// they call through the table of operations, so a class that replaces the
// text operations changes the typed ones too. Integers are written with
// Format kind 0, 64-bit numbers as plain digits, true as SetInt 1, false and
// cleared values as the empty text, times as whole milliseconds since
// 1970-01-01 00:00:00 UTC. GetTime gives and SetTime takes local time.
// Numbers that neither kind 0 nor kind 2 reads throw KLAppException
// "Неверный формат числа: name=text".
//
// A wrapper built from a null object reads empty values and writes nothing.
#pragma once

#include <windows.h>

#include <Tallivant.h>
#include <co.h>
#include <fwwin/RealTime.h>
#include <str.h>

namespace TAXDK {
namespace Tallivant {

// 1970-01-01 00:00:00, the origin of session times.
extern const RealTime sessionEpoch;
// One millisecond in RealTime's units (10,000).
extern const double millisecondSpan;

class TASession {
public:
    // Asks object for ITallivantSessionSite; a refusal throws CoError.
    explicit TASession(IUnknown* object);
    virtual ~TASession();

    virtual string GetString(const string& name);
    virtual int GetInt(const string& name);
    virtual double GetReal(const string& name);
    virtual RealTime GetTime(const string& name);
    virtual void Clear(const string& name);
    virtual void SetString(const string& name, const string& text);
    virtual void SetInt(const string& name, int value);
    virtual void SetUnsigned(const string& name, unsigned value);
    virtual void SetBool(const string& name, bool value);
    virtual void SetUInt64(const string& name, unsigned long long value);
    virtual void SetTime(const string& name, const RealTime& time);
    virtual void Remove(const string& name);

    // The value's wide text as the host holds it, for reading it once
    // without a copy: valid until the value changes. The empty text for a
    // value the host lacks or a null object. Not a text operation: it goes
    // to the host, whatever a derived class makes of GetString.
    const wchar_t* GetWideText(const string& name);
    // The value as the host holds it, UTF-16, for texts that the ANSI code
    // page cannot hold. Not in the table of operations: it reaches the host
    // directly, as SetWideString does.
    basic_text<wchar_t> GetWideString(const string& name);
    // Hands text, a BSTR, to the host as it is, zeros included; null writes
    // the empty text.
    void SetWideString(const string& name, BSTR text);

private:
    co<ITallivantSessionSite> site_;
};

}  // namespace Tallivant
}  // namespace TAXDK
