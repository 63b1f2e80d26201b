// The Wine part of the signing test (tests/setup/sign_test.sh, which signs
// what ships with a certificate made for the test and checks the
// signatures): the signed packages install, the signed module loads and
// runs in the stand-in host, and every signed PE file holds its checksum.
// ARVIK_SIGNED names the test's folder (a Unix path): dist/ and
// dist-stage/ hold the signed files; the installed uninstaller and module
// are copied into installed/ for the script to check.
#include <gtest/gtest.h>

#include <Version.h>

#include "setup/InstallerTest.h"

namespace {

// The test's folder as Wine shows it, with a trailing backslash.
std::wstring Signed(const std::wstring& relative) {
    wchar_t unix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"ARVIK_SIGNED", unix, MAX_PATH)) return L"(ARVIK_SIGNED not set)";
    std::wstring path = L"Z:" + std::wstring(unix) + L"/" + relative;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

void RunsInTheHost() {
    std::string output;
    EXPECT_EQ(0u, RunHost(LogAndExecute(u8"Подписанный модуль"), output)) << output;
    EXPECT_NE(std::string::npos, output.find("1 plug-in(s) started")) << output;
}

}  // namespace

TEST(Signed, PackagesInstallAndTheModuleRuns) {
    PutHostInPlace();
    const std::wstring log = TempFile(L"signed_test.log");
    ASSERT_EQ(0u, Msiexec(L"/i \"" + Signed(L"dist/aRvik-" ARVIK_VERSION_TEXT ".msi") + L"\"", log));
    RunsInTheHost();
    EXPECT_EQ(0u, Msiexec(L"/x \"" + Signed(L"dist/aRvik-" ARVIK_VERSION_TEXT ".msi") + L"\"", log));

    ASSERT_EQ(0u, RunProgram(L"\"" + Signed(L"dist/aRvik-" ARVIK_VERSION_TEXT "-setup.exe") + L"\" /S"));
    RunsInTheHost();
    const std::wstring folder = ProgramFiles() + L"\\Kelmir\\Tallivant\\Plugins\\aRvik";
    CreateDirectoryW(Signed(L"installed").c_str(), nullptr);
    for (const wchar_t* name : {L"aRvik-uninstall.exe", L"aRvik.dll"})
        EXPECT_TRUE(CopyFileW((folder + L"\\" + name).c_str(), Signed(std::wstring(L"installed/") + name).c_str(), FALSE));
    const std::wstring quiet = Value(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, L"QuietUninstallString");
    EXPECT_EQ(0u, RunProgram(quiet.substr(3)));
    DeleteFileW(log.c_str());
}

TEST(Signed, EverySignedFileHoldsItsChecksum) {
    for (const wchar_t* file : {L"dist/aRvik-" ARVIK_VERSION_TEXT "-setup.exe", L"dist-stage/zip/aRvik.dll",
                                L"dist-stage/install_helper.exe", L"installed/aRvik-uninstall.exe"})
        ExpectRightChecksum(Signed(file));
}
