// module_child MODULE: loads MODULE with its own folder searched first (so
// it takes the Tallivanx.dll lying there), asks it for the plug-in's class
// factory and prints, one line each, every message box as
// "box|KIND|CAPTION|TEXT" and then "result|0xHHHHHHHH".
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <fwbase/Message.h>

extern "C" __declspec(dllexport) int __stdcall KelmirMessageHandler(const MessageRequest& request) {
    printf("box|%d|%s|%s\n", static_cast<int>(request.kind), request.caption, request.text ? request.text : "");
    return IDOK;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    _setmode(_fileno(stdout), _O_BINARY);
    HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return 3;
    typedef HRESULT(WINAPI * Entry)(REFCLSID, REFIID, void**);
    Entry getClassObject = reinterpret_cast<Entry>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) return 4;
    const CLSID plugin = {0x6A0F3C2E, 0x71D4, 0x4B8A, {0x9E, 0x25, 0x3C, 0x5D, 0x7F, 0x9A, 0x1B, 0x04}};
    void* out = nullptr;
    HRESULT hr = getClassObject(plugin, IID_IClassFactory, &out);
    printf("result|0x%08lX\n", static_cast<unsigned long>(hr));
    fflush(stdout);
    return 0;
}
