#include "tests/ui/screen_capture_win32.h"

#include <cstdlib>

#include "core/win32.h"

ScreenCapture::ScreenCapture() {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    if (screen == nullptr || width <= 0 || height <= 0)
        return;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (picture != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, picture);
        if (BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY)) {
            GdiFlush();
            const std::uint32_t* rows = static_cast<const std::uint32_t*>(bits);
            pixels_.assign(rows, rows + static_cast<size_t>(width) * height);
            width_ = width;
            height_ = height;
        }
        SelectObject(memory, previous);
        DeleteObject(picture);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

std::uint32_t ScreenCapture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0xFFFFFFFF;
    std::uint32_t rgb = pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
}

void pump_for(unsigned long ms) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

bool near_colour(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(difference) > tolerance)
            return false;
    }
    return true;
}
