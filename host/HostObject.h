// The stand-in host's objects that a plug-in meets when it is initialised:
// HostObject offers ITallivantHost; its terminal site (TerminalSite) keeps
// the terminal extenders registered with it, its session site (a
// HostSession) keeps the session extenders, its control panel (ControlPanel)
// the pages of control plug-ins. Everything runs on the host's
// type information; nothing throws across these interfaces.
#pragma once

#include <windows.h>

#include <vector>

#include <HostSession.h>
#include <IDispatchType.h>
#include <Tallivanx.h>

#include "ControlPanel.h"

class TerminalSite : public IDispatchType<ITallivantTerminalSite> {
public:
    // Count 1, held by the creator.
    TerminalSite();

    HRESULT STDMETHODCALLTYPE GetTerminalCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE GetTerminal(LONG index, IUnknown** terminal) override;
    HRESULT STDMETHODCALLTYPE FindTerminal(BSTR name, IUnknown** terminal) override;
    HRESULT STDMETHODCALLTYPE SendEvent(IUnknown* terminal, BSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveTerminalExtender(ITallivantTerminalExtender2* extender) override;
    HRESULT STDMETHODCALLTYPE AddTerminalExtender(ITallivantTerminalExtender2* extender) override;

    const std::vector<co<ITallivantTerminalExtender2>>& Extenders() const { return extenders_; }

private:
    ~TerminalSite() override = default;
    std::vector<co<ITallivantTerminalExtender2>> extenders_;
};

class HostObject : public IDispatchType<ITallivantHost> {
public:
    // Count 1, held by the creator; makes both sites and the control panel.
    HostObject();

    HRESULT STDMETHODCALLTYPE GetVersion(LONG* version) override;
    HRESULT STDMETHODCALLTYPE GetSessionSite(IUnknown** site) override;
    HRESULT STDMETHODCALLTYPE GetControlPanel(IUnknown** panel) override;
    HRESULT STDMETHODCALLTYPE GetTerminalSite(IUnknown** site) override;

    TerminalSite* Terminals() const { return terminals_.get(); }
    HostSession* Sessions() const { return sessions_.get(); }
    ControlPanel* Panel() const { return panel_.get(); }

private:
    ~HostObject() override = default;
    co<TerminalSite> terminals_;
    co<HostSession> sessions_;
    co<ControlPanel> panel_;
};
