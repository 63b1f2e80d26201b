// Started by the benchmark's execute cases: ends at once with exit code 0.
// With a count, it first writes that many bytes of text (lines of 63
// letters) to its standard output. With -s MS it sleeps that long first.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc < 2) return 0;
    if (!strcmp(argv[1], "-s")) {
        Sleep(argc > 2 ? strtoul(argv[2], nullptr, 10) : 0);
        return 0;
    }
    size_t count = strtoul(argv[1], nullptr, 10);
    static char text[65536];
    for (size_t i = 0; i < sizeof text; ++i) text[i] = i % 64 == 63 ? '\n' : static_cast<char>('a' + i % 26);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    while (count > 0) {
        DWORD n = 0, ask = static_cast<DWORD>(count < sizeof text ? count : sizeof text);
        if (!WriteFile(out, text, ask, &n, nullptr) || n == 0) return 1;
        count -= n;
    }
    return 0;
}
