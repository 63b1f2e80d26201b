// Path helpers and environment expansion.
#include <gtest/gtest.h>

#include <string>

#include <fwbase/Path.h>

TEST(Path, FileNameAndParent) {
    EXPECT_STREQ("aRvik.dll", GetFileName("C:\\Dir\\aRvik.dll").c_str());
    EXPECT_STREQ("x.exe", GetFileName("x.exe").c_str());
    EXPECT_STREQ("C:\\Dir\\", GetParentPath("C:\\Dir\\aRvik.dll").c_str());
    EXPECT_STREQ("C:\\Dir\\aRvik.chm", (GetParentPath("C:\\Dir\\aRvik.dll") + "aRvik.chm").c_str());
    EXPECT_STREQ("", GetParentPath("name").c_str());
}

TEST(Path, PathSpecEndsInExactlyOneBackslash) {
    EXPECT_STREQ("D:\\App\\", MakePathSpec("D:\\App").c_str());
    EXPECT_STREQ("D:\\App\\", MakePathSpec("D:\\App\\").c_str());
    EXPECT_STREQ("D:\\App\\", MakePathSpec("D:\\App\\\\").c_str());
    EXPECT_STREQ("", MakePathSpec("").c_str());
    EXPECT_STREQ("", MakePathSpec(nullptr).c_str());
}

TEST(Path, AbsoluteForms) {
    EXPECT_TRUE(IsAbsolutePath("C:\\x"));
    EXPECT_TRUE(IsAbsolutePath("c:/x"));
    EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
    EXPECT_TRUE(IsAbsolutePath("\\x"));
    EXPECT_FALSE(IsAbsolutePath("logs\\a.txt"));
    EXPECT_FALSE(IsAbsolutePath("C:a.txt"));
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_FALSE(IsAbsolutePath(nullptr));
}

TEST(Path, ModuleFileNameOfTheHostExecutable) {
    string path = GetModuleFileNameA(static_cast<HMODULE>(nullptr));
    EXPECT_TRUE(IsAbsolutePath(path));
    EXPECT_STREQ("support_test.exe", GetFileName(path).c_str());
}

TEST(Path, CreatePathMakesParentsAndAcceptsExisting) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    string root = MakePathSpec(temp) + "arvik_path_test";
    string deep = root + "\\a\\b\\c";
    EXPECT_TRUE(CreatePath(deep, nullptr));
    EXPECT_TRUE(CreatePath(deep + "\\", nullptr));
    DWORD attrs = GetFileAttributesA(deep);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attrs);
    // A file standing where a folder should be makes the creation fail.
    string blocker = root + "\\file";
    HANDLE h = CreateFileA(blocker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    EXPECT_FALSE(CreatePath(blocker + "\\sub", nullptr));
    DeleteFileA(blocker);
    RemoveDirectoryA(deep);
    RemoveDirectoryA(root + "\\a\\b");
    RemoveDirectoryA(root + "\\a");
    EXPECT_TRUE(RemoveDirectoryA(root));
}

TEST(Path, ApplicationDataFolder) {
    string appdata = GetSpecialFolderPath(nullptr, 26);
    EXPECT_TRUE(IsAbsolutePath(appdata)) << appdata.c_str();
}

TEST(ExpEnv, ExpandsKnownNamesAndLeavesUnknownOnes) {
    SetEnvironmentVariableA("ARVIK_T1", "one");
    SetEnvironmentVariableA("ARVIK_NOT_SET", nullptr);
    EXPECT_STREQ("x one y", ExpEnv("x %ARVIK_T1% y").c_str());
    EXPECT_STREQ("%ARVIK_NOT_SET%\\a", ExpEnv("%ARVIK_NOT_SET%\\a").c_str());
    EXPECT_STREQ("100% sure", ExpEnv("100% sure").c_str());
    EXPECT_STREQ("%ARVIK_NOT_SET%one%", ExpEnv("%ARVIK_NOT_SET%%ARVIK_T1%%").c_str());
    EXPECT_STREQ("", ExpEnv("").c_str());
    SetEnvironmentVariableA("ARVIK_T1", nullptr);
}

TEST(ExpEnv, AgreesWithTheSystemOnShortTexts) {
    SetEnvironmentVariableA("ARVIK_T2", "v");
    const char* cases[] = {"%ARVIK_T2%", "a%ARVIK_T2%b%ARVIK_T2%", "%%", "%ARVIK_NONE%ARVIK_T2%",
                           "%ARVIK_T2", "%TEMP%\\a.txt"};
    for (const char* text : cases) {
        char expected[1024];
        ExpandEnvironmentStringsA(text, expected, sizeof expected);
        EXPECT_STREQ(expected, ExpEnv(text).c_str()) << text;
    }
    SetEnvironmentVariableA("ARVIK_T2", nullptr);
}

TEST(ExpEnv, LongTextsSurviveWhole) {
    std::string value(30000, 'v'), text = std::string(70000, 't') + "%ARVIK_T3%";
    SetEnvironmentVariableA("ARVIK_T3", value.c_str());
    string out = ExpEnv(text.c_str());
    EXPECT_EQ(100000u, out.length());
    EXPECT_EQ(std::string(70000, 't') + value, out.c_str());
    SetEnvironmentVariableA("ARVIK_T3", nullptr);
}
