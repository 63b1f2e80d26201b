#include "PageTestSupport.h"

#include <commctrl.h>

#include <fstream>
#include <map>

namespace pagetest {

static std::map<std::pair<HWND, UINT>, std::pair<int, WPARAM>>& received() {
    static std::map<std::pair<HWND, UINT>, std::pair<int, WPARAM>> r;
    return r;
}
static std::map<UINT, LRESULT>& answers() {
    static std::map<UINT, LRESULT> a;
    return a;
}

static LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& r = received()[{window, message}];
    ++r.first;
    r.second = wParam;
    auto a = answers().find(message);
    if (a != answers().end()) return a->second;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePlainWindow(const char* title, int width, int height, HWND parent) {
    static ATOM atom = 0;
    if (!atom) {
        INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&init);
        WNDCLASSA c = {};
        c.lpfnWndProc = PlainProcedure;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursor(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = "PageTestWindow";
        atom = RegisterClassA(&c);
    }
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
    return CreateWindowExA(0, "PageTestWindow", title, style, 10, 10, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

int Received(HWND window, UINT message, WPARAM* lastWParam) {
    auto r = received().find({window, message});
    if (r == received().end()) return 0;
    if (lastWParam) *lastWParam = r->second.second;
    return r->second.first;
}

void ClearReceived() {
    received().clear();
    answers().clear();
}

void AnswerWith(UINT message, LRESULT result) { answers()[message] = result; }

void Pump() {
    MSG m;
    for (int i = 0; i < 1000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

static std::function<void(HWND)>* pendingScript = nullptr;

static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

static HWND ThreadDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

static void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = ThreadDialog();
    if (!dialog || !pendingScript) return;  // not shown yet: the timer comes again
    KillTimer(nullptr, id);
    std::function<void(HWND)>* script = pendingScript;
    pendingScript = nullptr;
    (*script)(dialog);
}

static void CALLBACK GuardTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dialog = ThreadDialog();
    ADD_FAILURE() << "the dialog did not close in time";
    pendingScript = nullptr;
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

INT_PTR RunModal(const std::function<INT_PTR()>& run, const std::function<void(HWND)>& script,
                 UINT timeoutMs) {
    std::function<void(HWND)> copy = script;
    pendingScript = &copy;
    UINT_PTR scriptTimer = SetTimer(nullptr, 0, 20, ScriptTimer);
    UINT_PTR guard = SetTimer(nullptr, 0, timeoutMs, GuardTimer);
    INT_PTR result = run();
    KillTimer(nullptr, scriptTimer);
    KillTimer(nullptr, guard);
    EXPECT_EQ(nullptr, pendingScript) << "the script never ran";
    pendingScript = nullptr;
    return result;
}

std::string ItemText(HWND dialog, int id) {
    char buffer[1024] = "";
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

// PNG: stored (uncompressed) deflate blocks with CRC-32 and Adler-32.
static unsigned long Crc(const unsigned char* data, size_t n, unsigned long crc = 0) {
    static unsigned long table[256];
    if (!table[1])
        for (unsigned long i = 0; i < 256; ++i) {
            unsigned long c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc & 0xFFFFFFFFUL;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc & 0xFFFFFFFFUL;
}

static void Put32(std::string& s, unsigned long v) {
    for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

static void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, data.size());
    std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, Crc(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

static bool WritePng(const std::string& path, int width, int height, const unsigned char* bgr,
                     int stride) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        const unsigned char* row = bgr + y * stride;  // top-down
        for (int x = 0; x < width; ++x) {
            raw += static_cast<char>(row[3 * x + 2]);
            raw += static_cast<char>(row[3 * x + 1]);
            raw += static_cast<char>(row[3 * x]);
        }
    }
    std::string z("\x78\x01", 2);
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z += static_cast<char>(at + n == raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        at += n;
        if (!n) break;
    }
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);
    std::string header;
    Put32(header, width);
    Put32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    std::ofstream out(path, std::ios::binary);
    out.write(png.data(), png.size());
    return out.good();
}

bool SaveWindowPicture(HWND window, const std::string& bmpPath, const std::string& pngPath) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // What the screen shows; the window's own printing where the screen can't be read.
    BOOL ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    if (!ok) ok = PrintWindow(window, memory, 0);
    GdiFlush();
    int stride = (width * 3 + 3) & ~3;
    bool saved = false;
    if (ok) {
        // BMP rows go bottom-up.
        BITMAPFILEHEADER file = {};
        BITMAPINFOHEADER header = info.bmiHeader;
        header.biHeight = height;
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + stride * height;
        std::ofstream out(bmpPath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        for (int y = height - 1; y >= 0; --y)
            out.write(static_cast<const char*>(bits) + y * stride, stride);
        saved = out.good() &&
                WritePng(pngPath, width, height, static_cast<const unsigned char*>(bits), stride);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace pagetest
