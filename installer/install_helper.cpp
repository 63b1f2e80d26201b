// install_helper MODULE HOSTDIR: calls the plug-in module's installation
// entry for the installer. The module imports the host's library, so the
// host's folder is made the folder where DLLs are looked for before the
// module loads. The module's message boxes come here through the support
// library's seam (the handler this program exports) instead of the screen,
// so a silent installation never waits for a person; their texts go to
// standard output as UTF-16LE text with a byte-order mark (the installer's
// nsExec reads it), lines separated by CR LF.
// Exit code: 0 installed; 1 the entry answered 0; 2 usage; 3 the module
// cannot be loaded; 4 it has no installation entry.
#include <windows.h>

#include <string>

#include <fwbase/Message.h>

namespace {

std::wstring said;

void Say(const std::wstring& text) {
    if (!said.empty()) said += L"\r\n";
    said += text;
}

// The module's texts are in the ANSI code page.
std::wstring Wide(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return std::wstring();
    std::wstring wide(length - 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    return wide;
}

// A console shows the text as such; anything else gets UTF-16LE bytes.
void Write(const std::wstring& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::wstring withMark = L"\xFEFF" + text;
    WriteFile(out, withMark.c_str(), static_cast<DWORD>(withMark.size() * sizeof(wchar_t)), &written, nullptr);
}

int Finish(int code) {
    Write(said);
    return code;
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall KelmirMessageHandler(const MessageRequest& request) {
    Say(Wide(request.text ? request.text : ""));
    return IDOK;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        Say(L"Вызов: install_helper МОДУЛЬ ПАПКА_TALLIVANT");
        return Finish(2);
    }
    const std::wstring module = argv[1], hostDir = argv[2];
    SetDllDirectoryW(hostDir.c_str());
    HMODULE loaded = LoadLibraryW(module.c_str());
    if (!loaded) {
        Say(L"Не удалось загрузить модуль \"" + module + L"\" (ошибка " + std::to_wstring(GetLastError()) +
            L"). Модулю нужна библиотека Tallivanx.dll из папки Tallivant \"" + hostDir + L"\".");
        return Finish(3);
    }
    typedef int(WINAPI * InstallEntry)(HWND, BOOL);
    auto install = reinterpret_cast<InstallEntry>(GetProcAddress(loaded, "TallivantPlugin_InstallInit"));
    if (!install) {
        Say(L"В модуле \"" + module + L"\" нет функции установки TallivantPlugin_InstallInit.");
        return Finish(4);
    }
    int result = install(nullptr, TRUE);
    FreeLibrary(loaded);
    if (result != 1 && said.empty()) Say(L"Модуль \"" + module + L"\" не установился.");
    return Finish(result == 1 ? 0 : 1);
}
