#include "Picture.h"

#include <fstream>

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
    // Wine shows what was painted when the thread next finds its queue
    // empty: a look that takes nothing lets the screen catch up.
    MSG none;
    PeekMessageA(&none, nullptr, WM_NULL, WM_NULL, PM_NOREMOVE);
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
    if (ok && bmpPath.empty()) {
        saved = WritePng(pngPath, width, height, static_cast<const unsigned char*>(bits), stride);
    } else if (ok) {
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
