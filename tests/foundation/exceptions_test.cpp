// The exception family and the system-call checks.
#include <gtest/gtest.h>

#include <exceptions.h>

TEST(WindowsError, MessageNamesCodeAndCallSite) {
    WindowsError e(5, "F", 76);
    EXPECT_STREQ("Windows system call error 5 (00000005) at \"F\":76", e.Reason());
    EXPECT_EQ(5u, e.Code());
    EXPECT_STREQ("F", e.File().c_str());
    EXPECT_EQ(76u, e.Line());
}

TEST(WindowsError, HresultPrintsSignedAndHex) {
    WindowsError e(0x80070005, "Shared/Trevan/Trevan", 190);
    EXPECT_STREQ("Windows system call error -2147024891 (80070005) at \"Shared/Trevan/Trevan\":190",
                 e.Reason());
}

TEST(CheckSystemCall, NonzeroPassesThroughUnchanged) {
    HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1234));
    EXPECT_EQ(h, CheckSystemCall(h, "X", 1));
    EXPECT_EQ(7, CheckSystemCall(7, "X", 1));
}

TEST(CheckSystemCall, ZeroThrowsTheLastError) {
    SetLastError(ERROR_INVALID_HANDLE);
    try {
        CheckSystemCall(FALSE, "Plugin/SessionExtender", 246);
        FAIL() << "no exception";
    } catch (const WindowsError& e) {
        EXPECT_EQ(6u, e.Code());
        EXPECT_STREQ("Windows system call error 6 (00000006) at \"Plugin/SessionExtender\":246", e.Reason());
    }
}

TEST(CheckErrorCode, EnumerationEndIsNotAnError) {
    // A loop stops on ERROR_NO_MORE_ITEMS itself; zero passes, anything else throws.
    EXPECT_NO_THROW(CheckErrorCode(0, "Plugin/SessionExtender", 128));
    try {
        CheckErrorCode(ERROR_MORE_DATA, "Plugin/SessionExtender", 128);
        FAIL() << "no exception";
    } catch (const KelmirException& e) {
        const WindowsError* w = dynamic_cast<const WindowsError*>(&e);
        ASSERT_NE(nullptr, w);
        EXPECT_EQ(234u, w->Code());
    }
}

TEST(CheckFileHandle, PathAndAccessErrorsNameTheFileInRussian) {
    const char* name = "C:\\нет\\файл.txt";
    SetLastError(ERROR_PATH_NOT_FOUND);
    try {
        CheckFileHandle(INVALID_HANDLE_VALUE, name, "Platform/SaveFile_ss", 33);
        FAIL() << "no exception";
    } catch (const FileException& e) {
        EXPECT_STREQ("Не удалось записать файл (путь не найден): C:\\нет\\файл.txt", e.Reason());
        // Windows-1251 bytes of "Не удалось".
        EXPECT_EQ(0, memcmp("\xcd\xe5\x20\xf3\xe4\xe0\xeb\xee\xf1\xfc", e.Reason(), 10));
        EXPECT_STREQ(name, e.Name().c_str());
    }
    SetLastError(ERROR_ACCESS_DENIED);
    try {
        CheckFileHandle(nullptr, name, "Platform/SaveFile_ss", 33);
        FAIL() << "no exception";
    } catch (const FileException& e) {
        EXPECT_STREQ("Не удалось записать файл (нет доступа): C:\\нет\\файл.txt", e.Reason());
    }
}

TEST(CheckFileHandle, OtherErrorsThrowWindowsErrorAtTheCallSite) {
    SetLastError(ERROR_SHARING_VIOLATION);
    try {
        CheckFileHandle(INVALID_HANDLE_VALUE, "f", "Platform/SaveFile_ss", 33);
        FAIL() << "no exception";
    } catch (const WindowsError& e) {
        EXPECT_EQ(32u, e.Code());
        EXPECT_STREQ("Windows system call error 32 (00000020) at \"Platform/SaveFile_ss\":33", e.Reason());
    }
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_TRUE(CheckFileHandle(event, "f", "X", 1));
    CloseHandle(event);
}

TEST(ExceptionFamily, MostDerivedCatchOrderReachesEachClass) {
    auto kind = [](auto thrower) -> std::string {
        try {
            thrower();
        } catch (const OleAutoException&) {
            return "auto";
        } catch (const CoError&) {
            return "co";
        } catch (const NumericSyntax&) {
            return "syntax";
        } catch (const FileException&) {
            return "file";
        } catch (const KelmirException&) {
            return "base";
        }
        return "none";
    };
    EXPECT_EQ("auto", kind([] { throw OleAutoException(E_FAIL, 7, "s", "d", "m"); }));
    EXPECT_EQ("co", kind([] { throw OleError(E_FAIL, "m"); }));
    EXPECT_EQ("syntax", kind([] { throw NumericSyntax("m"); }));
    EXPECT_EQ("file", kind([] { throw FileException("t", "n"); }));
    EXPECT_EQ("base", kind([] { throw KLAppException("m"); }));
}
