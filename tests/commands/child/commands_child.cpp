// Started by the command tests through aRvik.Execute.
//   commands_child CODE [REPORT [VARIABLE]]
// Exits with CODE (a signed or unsigned decimal number). With REPORT it
// first writes, one per line, what it was started with: "flags=" and
// "show=" from GetStartupInfoA, "env=" the value of VARIABLE (empty when
// unset), "cwd=" its current folder.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    UINT code = static_cast<UINT>(strtoll(argv[1], nullptr, 10));
    if (argc >= 3) {
        STARTUPINFOA startup;
        GetStartupInfoA(&startup);
        char env[1024] = "", cwd[MAX_PATH] = "";
        if (argc >= 4) GetEnvironmentVariableA(argv[3], env, sizeof env);
        GetCurrentDirectoryA(sizeof cwd, cwd);
        FILE* report = fopen(argv[2], "wb");
        if (!report) return 3;
        fprintf(report, "flags=%lu\nshow=%u\nenv=%s\ncwd=%s\n", startup.dwFlags, startup.wShowWindow, env, cwd);
        fclose(report);
    }
    ExitProcess(code);
}
