// The failure macros and the owned handle.
#include <gtest/gtest.h>

#include <string>

#include <checks.h>
#include <owned.h>

TEST(SourcePosition, DropsTheExtensionAndTheKitsFolders) {
    EXPECT_STREQ("Plugin/Execute", SourcePosition("Plugin/Execute.cpp").c_str());
    EXPECT_STREQ("Platform/SaveFile_ss", SourcePosition("xdk/Source/Platform/SaveFile_ss.cpp").c_str());
    EXPECT_STREQ("Borvil/Include/co", SourcePosition("Borvil/Include/co.h").c_str());
    EXPECT_STREQ("Shared/Trevan.d/Trevan", SourcePosition("Shared/Trevan.d/Trevan").c_str());
}

// The macros name this file as the build gives it, without its folder, and
// the line they stand on.
TEST(Checks, NameTheirFileAndLine) {
    SetLastError(ERROR_ACCESS_DENIED);
    unsigned line = 0;
    try {
        line = __LINE__ + 1;
        THROW_IF_WIN32_FALSE(FALSE);
        FAIL() << "no exception";
    } catch (const WindowsError& e) {
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), e.Code());
        EXPECT_EQ("Windows system call error 5 (00000005) at \"tests/foundation/checks_test\":" +
                      std::to_string(line),
                  e.Reason());
    }
    HANDLE handle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(handle, THROW_IF_WIN32_FALSE(handle));
    EXPECT_NO_THROW(THROW_IF_WIN32_ERROR(ERROR_SUCCESS));
    try {
        line = __LINE__ + 1;
        THROW_IF_WIN32_ERROR(ERROR_MORE_DATA);
        FAIL() << "no exception";
    } catch (const WindowsError& e) {
        EXPECT_EQ(234u, e.Code());
        EXPECT_STREQ("tests/foundation/checks_test", e.File().c_str());
        EXPECT_EQ(line, e.Line());
    }
    EXPECT_EQ(S_FALSE, THROW_IF_FAILED(S_FALSE));
    try {
        line = __LINE__ + 1;
        THROW_IF_FAILED(E_NOINTERFACE);
        FAIL() << "no exception";
    } catch (const CoError& e) {
        EXPECT_EQ(E_NOINTERFACE, e.Code());
        EXPECT_EQ("COM call error -2147467262 (80004002) at \"tests/foundation/checks_test\":" + std::to_string(line) +
                      " in \"foundation_test.exe\"",
                  e.Reason());
    }
}

// Both failure values are empty; closing leaves the last error alone; a
// move hands the handle over, so it is closed once.
TEST(KernelHandle, OwnsOneHandleAndKeepsTheLastError) {
    EXPECT_FALSE(KernelHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(KernelHandle(nullptr));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    KernelHandle first(event);
    EXPECT_TRUE(first);
    KernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(event, second.get());
    second.Close();
    EXPECT_FALSE(second);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(event, &flags));  // closed
    // Closing the stale handle fails, and the error before it stays.
    KernelHandle stale(event);
    SetLastError(ERROR_PATH_NOT_FOUND);
    stale.Close();
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}
