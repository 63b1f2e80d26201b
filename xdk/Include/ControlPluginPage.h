// TAXDK::Standard::ControlPluginPage: the generic base of one page of the
// host's control panel.
//
// Answers ITallivantControlPage with neutral defaults (Init keeps the page
// window and gives 1; Activate, Command and Help give 0, "not handled";
// Apply gives 1 and touches nothing). Keeps a plain pointer to the host's
// control panel (never released), the page window and the caption of its
// message boxes.
//
// The field checks read a control's whole text and report in the page's
// fixed Russian messages: a doubtful value in a warning box with OK and
// Cancel (OK keeps the value, Cancel brings the user back to the field),
// a hard error in an error box (always back to the field). Each check gives
// true when the value is accepted. Going back to a field (ActivateControl)
// is posted: it takes effect when the caller returns to the message loop.
#pragma once

#include <TallivantObject2.h>
#include <str.h>

namespace TAXDK {
namespace Standard {

class ControlPluginPage : public TallivantObject2<ITallivantControlPage> {
public:
    ControlPluginPage(ITallivantControlPanel* host, const string& name);
    ~ControlPluginPage() override;

    LONG STDMETHODCALLTYPE Init(LONG_PTR window) override;                            // 7
    LONG STDMETHODCALLTYPE Activate() override;                                       // 8
    LONG STDMETHODCALLTYPE Command(unsigned short code, unsigned short id,
                                   LONG_PTR control) override;                        // 9
    LONG STDMETHODCALLTYPE Help(LONG_PTR window) override;                            // 10
    LONG STDMETHODCALLTYPE Apply(LONG flags, LONG reserved, LONG* result) override;   // 11

    virtual HWND PageWindow();
    // Makes the page the current one of the control panel and focuses control.
    virtual void ActivateControl(HWND control);
    // True when the user chose to correct the value (Cancel).
    virtual bool FieldWarning(HWND control, const char* field, const char* text);
    virtual void FieldError(HWND control, const char* field, const char* text);
    // A null owner or caption becomes the page's unless flags bit 0 (owner)
    // or bit 1 (caption) is set; flags go on to the message functions.
    virtual int Message(const char* text, UINT style, HWND owner, const char* caption, int flags);
    virtual void ShowError(const char* text, HWND owner, const char* caption, int flags);
    virtual bool CheckEmpty(HWND control, const char* field, const char* hint);
    virtual bool CheckSpaces(HWND control, const char* field, const char* hint);
    virtual bool CheckPassword(HWND control, HWND repeat, const char* field, const char* hint);
    // True when the text is a number (kind 2); its integer part, cut to 32
    // bits, goes to value when value is not null.
    bool CheckInteger(HWND control, const char* field, int* value);

protected:
    ITallivantControlPanel* host;
    HWND window;
    string caption;
};

}  // namespace Standard
}  // namespace TAXDK
