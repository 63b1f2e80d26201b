// The real aRvik.dll installed and asked for its page by the stand-in
// host's control panel, shown as a modeless property sheet. Message boxes
// of the module come to the handler this executable exports: each is
// recorded and answered from a queue (IDOK when it is empty), which the
// test uses up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <ControlPanel.h>
#include <co.h>

#include "common/MessageRecorder.h"

#define PROPS_KEY "Software\\Kelmir\\Tallivant\\Plugins\\aRvik\\Session Props"
#define USER_KEY "Software\\Kelmir\\Tallivant\\Plugins\\aRvik"
#define POLICY_KEY "Software\\Policies\\Kelmir\\Tallivant\\aRvik"
#define POLICY_PROPS_KEY POLICY_KEY "\\Session Props"

class PanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Loads the control plug-ins and shows the sheet; the page window of the
    // first page, or null.
    HWND Open();
    // Registry values of the Session Props key as (name, type:data) sorted
    // by name, case ignored, REG_SZ as "SZ:text", REG_DWORD as "DWORD:n", others
    // as "TYPE<n>:<size> bytes".
    static std::vector<std::pair<std::string, std::string>> Stored();
    static void Put(const char* name, const char* text);
    static bool KeyExists();

    // The list: (name, value) rows in order.
    std::vector<std::pair<std::string, std::string>> Listed() const;
    // Selects the first row of name, or the one after as many others.
    void Select(const std::string& name, int skipped = 0);
    // Runs action; each showing of a dialog over the sheet (the parameter
    // dialog) runs the next script.
    void Drive(const std::function<void()>& action, std::vector<std::function<void(HWND)>> scripts);
    // Presses a page button.
    void Press(int id, std::vector<std::function<void(HWND)>> scripts = {});
    // A double click in the list, as the list view reports it (item -1: on
    // no item).
    void DoubleClick(std::vector<std::function<void(HWND)>> scripts = {}, int item = -1);
    // Fills the parameter dialog and presses Ok.
    static std::function<void(HWND)> Enter(const char* name, const char* value);
    static std::function<void(HWND)> CancelDialog(std::string* seenName = nullptr, std::string* seenValue = nullptr);
    bool ApplyEnabled() const;
    void ApplySheet();

    // Boxes the module showed in this test, and the buttons they get.
    const std::vector<ShownMessage>& Boxes() const { return messages.Boxes(); }
    void Answer(int button) { messages.Answer(button); }

    MessageRecorder messages;

    co<ControlPanel> panel;
    HWND sheet = nullptr;
    HWND page = nullptr;
};
