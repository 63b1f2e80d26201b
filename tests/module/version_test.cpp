// The module's version resource, read back as file properties and
// inventory tools read it; and its header's checksum.
#include <windows.h>
#include <imagehlp.h>

#include <string>
#include <vector>

#include <Build.h>

#include "ModuleTest.h"

namespace {

std::string Text(const std::vector<char>& block, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\041904E3\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
        return "(none)";
    return text;
}

}  // namespace

TEST_F(ModuleTest, VersionResourceNamesVersionBuildAndMaker) {
    const std::string path = ModulePath();
    DWORD zero = 0xDEADBEEF;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &zero);
    ASSERT_NE(0u, size) << GetLastError();
    EXPECT_EQ(0u, zero);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data())) << GetLastError();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010003u, fixed->dwFileVersionMS);  // 1.3
    EXPECT_EQ(DWORD(ARVIK_BUILD_NUMBER), fixed->dwFileVersionLS);  // .0.build
    EXPECT_EQ(0x00010003u, fixed->dwProductVersionMS);
    EXPECT_EQ(DWORD(ARVIK_BUILD_NUMBER), fixed->dwProductVersionLS);
    EXPECT_EQ(DWORD(VFT_DLL), fixed->dwFileType);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0419, translation[0]);  // Russian
    EXPECT_EQ(1251, translation[1]);

    const std::string version = "1.3.0." + std::to_string(ARVIK_BUILD_NUMBER);
    EXPECT_EQ(version, Text(block, "FileVersion"));
    EXPECT_EQ(version, Text(block, "ProductVersion"));
    EXPECT_EQ("Kelmir", Text(block, "CompanyName"));
    EXPECT_EQ("Kelmir Tallivant", Text(block, "ProductName"));
    EXPECT_EQ("Kelmir Tallivant aRvik plugin", Text(block, "FileDescription"));
    EXPECT_EQ("aRvik.dll", Text(block, "OriginalFilename"));
}

// The checksum Windows computes for the file is the one its header holds.
TEST_F(ModuleTest, HeaderHoldsTheFilesChecksum) {
    DWORD stored = 0xBAD, computed = 0xDEAD;
    ASSERT_EQ(static_cast<DWORD>(CHECKSUM_SUCCESS), MapFileAndCheckSumA(ModulePath().c_str(), &stored, &computed));
    EXPECT_NE(0u, computed);
    EXPECT_EQ(computed, stored);
}
