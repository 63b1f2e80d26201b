#include <TASession.h>
#include <TextCodec.h>

#include <errno.h>
#include <math.h>
#include <stdint.h>
#include <stdlib.h>

#include <exceptions.h>
#include <fwbase/Co.h>
#include <fwbase/Exception.h>
#include <fwbase/Format.h>
#include <fwwin/Text.h>

namespace TAXDK {
namespace Tallivant {

static RealTime Epoch() {
    SYSTEMTIME st = {};
    st.wYear = 1970;
    st.wMonth = 1;
    st.wDay = 1;
    return RealTime(st);
}

// RealTime(10.0) holds one microsecond; a thousand of them make the span.
static double MillisecondSpan() {
    double microsecond = RealTime(10.0).value;
    return RealTime(1000 * microsecond).value;
}

const RealTime sessionEpoch = Epoch();
const double millisecondSpan = MillisecondSpan();

TASession::TASession(IUnknown* object) { site_.Query(object); }

TASession::~TASession() {}

string TASession::GetString(const string& name) {
    if (!site_) return string("");
    CoString wideName(name.c_str());
    const wchar_t* value = site_->GetValue(wideName);
    return value ? string::Adopt(Standard::AnsiCopy(value)) : string("");
}

const wchar_t* TASession::GetWideText(const string& name) {
    if (!site_) return L"";
    CoString wideName(name.c_str());
    const wchar_t* value = site_->GetValue(wideName);
    return value ? value : L"";
}

static KLAppException BadNumber(const string& name, const string& text) {
    return KLAppException(string("Неверный формат числа: ") + name + "=" + text);
}

// Truncated toward zero and wrapped to 32 bits, so that an unsigned text
// such as 4294967295 reads as the same bits.
static int ToInt(double value) {
    if (!(value > -9.2e18 && value < 9.2e18)) return value < 0 ? INT_MIN : value > 0 ? INT_MAX : 0;
    return static_cast<int>(static_cast<uint32_t>(static_cast<int64_t>(value)));
}

int TASession::GetInt(const string& name) {
    string text = GetString(name);
    if (text.empty()) return 0;
    double value;
    try {
        value = ScanNumberEx(NumberPlain, text, 0, 0);
    } catch (const NumericSyntax&) {
        try {
            value = ScanNumberEx(NumberCommaOrHex, text, 0, 0);
        } catch (const NumericSyntax&) {
            throw BadNumber(name, text);
        }
    }
    return ToInt(value);
}

double TASession::GetReal(const string& name) {
    string text = GetString(name);
    if (text.empty()) return 0.0;
    try {
        return ScanNumber(NumberPlain, text, 2, true);
    } catch (const NumericSyntax&) {
        try {
            return ScanNumber(NumberCommaOrHex, text, 2, true);
        } catch (const NumericSyntax&) {
            throw BadNumber(name, text);
        }
    }
}

RealTime TASession::GetTime(const string& name) {
    string text = GetString(name);
    if (text.empty()) return RealTime();
    // trim works in place: on a copy, never on the shared buffer.
    string copy(text.c_str());
    char* digits = trim(const_cast<char*>(copy.c_str()));
    char* end = nullptr;
    errno = 0;
    unsigned long long count = strtoull(digits, &end, 10);
    // Something left over: no time. Blanks only read as the count 0.
    if (*end) return RealTime();
    RealTime span(static_cast<double>(count) * millisecondSpan);
    return Local(sessionEpoch + span);
}

void TASession::Clear(const string& name) { SetString(name, string("")); }

void TASession::SetString(const string& name, const string& text) {
    if (!site_) return;
    CoString wideText(text.c_str() ? text.c_str() : "");
    CoString wideName(name.c_str());
    site_->SetValue(wideName, wideText);
}

void TASession::SetInt(const string& name, int value) { SetString(name, Format(NumberPlain, value, 0)); }

void TASession::SetUnsigned(const string& name, unsigned value) { SetString(name, Format(NumberPlain, value, 0)); }

void TASession::SetBool(const string& name, bool value) {
    if (value)
        SetInt(name, 1);
    else
        SetString(name, string(""));
}

void TASession::SetUInt64(const string& name, unsigned long long value) {
    char digits[24];
    SetString(name, string(_ui64toa(value, digits, 10)));
}

void TASession::SetTime(const string& name, const RealTime& time) {
    if (!time) {
        Clear(name);
        return;
    }
    double ms = trunc((UTC(time) - sessionEpoch).value / millisecondSpan);
    // Times before 1970 wrap modulo 2^64, as the reading side does.
    unsigned long long count = ms >= 0 ? (ms < 1.8e19 ? static_cast<unsigned long long>(ms) : ULLONG_MAX)
                                       : static_cast<unsigned long long>(static_cast<long long>(ms));
    SetUInt64(name, count);
}

void TASession::Remove(const string& name) {
    if (!site_) return;
    CoString wideName(name.c_str());
    site_->RemoveValue(wideName);
}

basic_text<wchar_t> TASession::GetWideString(const string& name) {
    if (!site_) return basic_text<wchar_t>(L"");
    CoString wideName(name.c_str());
    const wchar_t* value = site_->GetValue(wideName);
    return basic_text<wchar_t>(value ? value : L"");
}

void TASession::SetWideString(const string& name, BSTR text) {
    if (!site_) return;
    CoString wideName(name.c_str());
    if (text) {
        site_->SetValue(wideName, text);
        return;
    }
    CoString empty(L"");
    site_->SetValue(wideName, empty);
}

}  // namespace Tallivant
}  // namespace TAXDK
