// aRvik.FileHash: the known hashes of the empty file and of "abc" by every
// algorithm, a sparse file of 1 GiB, and the failures.
#include "Commands/CommandsTest.h"

namespace {

struct FileHashTest : CommandTest {
    std::string Hash(const std::string& name, const char* algorithm) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.HashAlgorithm", algorithm);
        Set(L"aRvik.Value", "old");
        EXPECT_EQ(S_OK, Command(L"aRvik.FileHash"));
        EXPECT_EQ("", Get(L"aRvik.HashAlgorithm"));
        return Get(L"aRvik.Value");
    }
    void Fails(const std::string& reason) {
        std::string name = Get(L"aRvik.FileName"), algorithm = Get(L"aRvik.HashAlgorithm");
        Set(L"aRvik.Value", "old");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileHash", &record));
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        EXPECT_EQ(name, Get(L"aRvik.FileName"));
        EXPECT_EQ(algorithm, Get(L"aRvik.HashAlgorithm"));
        EXPECT_EQ("old", Get(L"aRvik.Value"));
    }
};

}  // namespace

TEST_F(FileHashTest, KnownHashesByEveryAlgorithmCaseIgnored) {
    std::string empty = scratch + "empty.txt", abc = scratch + "abc.txt";
    WriteWhole(empty, "");
    WriteWhole(abc, "abc");
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", Hash(empty, ""));
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Hash(empty, "md5"));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Hash(abc, "SHA256"));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", Hash(abc, "Sha1"));
    EXPECT_EQ("ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
              "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f",
              Hash(abc, "sha512"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Hash(abc, "MD5"));
    EXPECT_EQ(abc, Get(L"aRvik.FileName"));  // a name stays
}

// 5 GiB of zeros would take two minutes under Wine's CNG (about 65 MB/s
// for SHA-256 in the i686 build): a 1 GiB one stands for the large file.
TEST_F(FileHashTest, ASparseGibibyteHashesAsItsZeros) {
    std::string name = scratch + "sparse.bin";
    HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD returned = 0;
    EXPECT_TRUE(DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr));
    LARGE_INTEGER size;
    size.QuadPart = 1ll << 30;
    EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    EXPECT_EQ("49bc20df15e412a64472421e13fe86ff1c5165e18b2afccf160d4dc19fe68a14", Hash(name, ""));
}

TEST_F(FileHashTest, UnknownAlgorithmsMissingFilesAndFoldersFail) {
    std::string abc = scratch + "abc.txt";
    WriteWhole(abc, "abc");
    Set(L"aRvik.FileName", abc);
    Set(L"aRvik.HashAlgorithm", "sha3\t");
    Fails("Неизвестный алгоритм хеширования: aRvik.HashAlgorithm=sha3? (допустимо: sha256, sha1, sha512, md5)");
    Set(L"aRvik.HashAlgorithm", "");
    Set(L"aRvik.FileName", scratch + "missing.txt");
    Fails("Не удалось вычислить хеш файла (файл не найден): " + (scratch + "missing.txt"));
    Set(L"aRvik.FileName", scratch.folder);
    Fails("Не удалось вычислить хеш файла (это папка): " + scratch.folder);
    Set(L"aRvik.FileName", "fz\\con");
    Fails("Не удалось вычислить хеш файла (это устройство): aRvik.FileName=fz\\con");
    Set(L"aRvik.FileName", "");
    Fails("Не указан файл: aRvik.FileName=");
}
