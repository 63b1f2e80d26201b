// Plugin::SessionExtender: takes part in the host's sessions.
//   operation 8   copies the Session Props from the registry into the session
//   operation 11  runs the named aRvik.* command on the session
//   operations 7 and 10 clear and set terminateBlocked; 9, 12, 13 do nothing
// Command names match as a whole and without regard to case. A command the
// policy "Allowed Commands" leaves out is refused; a name that is no command
// is ignored, or, where it begins with "aRvik." and "Unknown Commands" says
// "fail", refused (Settings/CommandPolicy.h); the extender keeps both rules
// and reads them again once the system reports a change
// (Settings/KeptCommandRules.h). Commands take their arguments from the
// session's aRvik.* values and clear the ones they consumed when they finish; a
// failing command leaves its arguments as they were.
//
// The commands live in Commands/, one file each; what they keep from one
// command to the next, for every session this extender serves and as long
// as it lives, is its CommandState, of which each command gets only the
// piece it uses.
#pragma once

#include "Commands/CommandState.h"
#include "Objects/Plugin.h"
#include "Settings/KeptCommandRules.h"

class Plugin::SessionExtender : public TallivantObject2<ITallivantSessionExtender> {
public:
    SessionExtender();

    HRESULT STDMETHODCALLTYPE UnblockTerminate(VARIANT) override;                // 7
    HRESULT STDMETHODCALLTYPE SessionStarted(IUnknown* session) override;        // 8
    HRESULT STDMETHODCALLTYPE SessionEnded(VARIANT) override;                    // 9
    HRESULT STDMETHODCALLTYPE BlockTerminate(VARIANT) override;                  // 10
    HRESULT STDMETHODCALLTYPE Command(IUnknown* session, BSTR name) override;    // 11
    HRESULT STDMETHODCALLTYPE SessionPaused(VARIANT) override;                   // 12
    HRESULT STDMETHODCALLTYPE SessionResumed(VARIANT) override;                  // 13

private:
    void RunCommand(IUnknown* session, BSTR name);

    CommandState state;
    KeptCommandRules rules;
};
