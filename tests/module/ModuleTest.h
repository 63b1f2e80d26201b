// The module aRvik.dll loaded as the host loads it, from the test's folder,
// and the message boxes it shows, recorded through the handler this
// executable exports (the module carries its own copy of the support
// library) and answered IDOK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/MessageRecorder.h"

typedef HRESULT(WINAPI* GetClassObjectEntry)(REFCLSID, REFIID, void**);
typedef int(WINAPI* InstallEntry)(HWND, BOOL);

// Loads the module in SetUp and frees it in TearDown, so each test sees the
// module's load-time state afresh.
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Full path of the module file as the system reports it.
    std::string ModulePath() const;
    // The boxes shown in this test (since messages.Clear()).
    const std::vector<ShownMessage>& ShownMessages() const { return messages.Boxes(); }

    MessageRecorder messages;

    HMODULE module = nullptr;
    GetClassObjectEntry getClassObject = nullptr;
    InstallEntry install = nullptr;
};

// Keys the installation writes; removed by the tests that install.
#define PLUGIN_CLASS_KEY "CLSID\\{6A0F3C2E-71D4-4B8A-9E25-3C5D7F9A1B04}"
#define CONTROL_CLASS_KEY "CLSID\\{B3E1D7A9-2C46-4F0B-8D73-E92A5C1F6D38}"
#define HOST_PLUGIN_KEY "Software\\Kelmir\\Tallivant\\Plugins\\aRvik"
#define HOST_CONTROL_KEY "Software\\Kelmir\\Tallivant\\Control Plugins\\aRvik"
#define USER_KEY "Software\\Kelmir\\Tallivant\\Plugins\\aRvik"
#define USER_PROPS_KEY USER_KEY "\\Session Props"
