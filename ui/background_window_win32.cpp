#include "ui/background_window.h"

#include "core/dynlib.h"
#include "core/fatal.h"
#include "core/win32.h"

namespace {

const char class_name[] = "VNK Window Class";
// The module and line a failed class registration reports; people quote them, so
// they stay fixed.
const char registration_module[] = "Installer";
constexpr int registration_line = 53;

using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// GradientFill is not on every system: looked up on the first fill, the result kept.
bool gradient_looked_up = false;
GradientFillFunction system_gradient_fill = nullptr;

const BackgroundSettings& settings_of(HWND window) {
    return *reinterpret_cast<const BackgroundSettings*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

PixelRect pixel_rect(const RECT& rect) {
    PixelRect pixels;
    pixels.left = rect.left;
    pixels.top = rect.top;
    pixels.right = rect.right;
    pixels.bottom = rect.bottom;
    return pixels;
}

COLOR16 channel16(std::uint32_t colour, int index) {
    return static_cast<COLOR16>(((colour >> (8 * index)) & 0xFF) << 8);
}

void erase_background(HWND window, HDC dc) {
    const BackgroundSettings& settings = settings_of(window);
    RECT client;
    GetClientRect(window, &client);
    if (!settings.picture.is_empty()) {
        settings.picture.draw(dc, pixel_rect(client), SRCCOPY);
    } else if (settings.single_colour) {
        HBRUSH brush = CreateSolidBrush(settings.top_colour);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    } else {
        fill_gradient(dc, settings.top_colour, pixel_rect(client), settings.bottom_colour);
    }
}

HFONT create_title_font(HDC dc, std::int32_t size) {
    return CreateFontA(title_font_height(GetDeviceCaps(dc, LOGPIXELSY), size), 0, 0, 0, FW_BOLD, TRUE, FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Times New Roman");
}

// The fonts tried while the title's size is chosen; the last one is kept for drawing.
struct TitleMeasure {
    HDC dc;
    const String* title;
    HFONT font = nullptr;
    std::int32_t font_size = 0;
};

std::int32_t measure_title(std::int32_t size, void* context) {
    TitleMeasure& measure = *static_cast<TitleMeasure*>(context);
    if (measure.font != nullptr)
        DeleteObject(measure.font);
    measure.font = create_title_font(measure.dc, size);
    measure.font_size = size;
    HGDIOBJ previous = SelectObject(measure.dc, measure.font);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(measure.dc, measure.title->c_str(), measure.title->length(), &extent);
    SelectObject(measure.dc, previous);
    return extent.cx;
}

void paint_title(HWND window, HDC dc) {
    const BackgroundSettings& settings = settings_of(window);
    const String& title = settings.display_title;
    if (title_is_blank(title))
        return;
    RECT client;
    GetClientRect(window, &client);
    TitleMeasure measure{dc, &title};
    std::int32_t size = title_font_size(client.right, measure_title, &measure);
    if (measure.font_size != size) {
        if (measure.font != nullptr)
            DeleteObject(measure.font);
        measure.font = create_title_font(dc, size);
    }
    HGDIOBJ previous = SelectObject(dc, measure.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, settings.title_colour);
    std::int32_t line_height = title_font_height(GetDeviceCaps(dc, LOGPIXELSY), size);
    Vector<String> lines = title_lines(title);
    for (std::int32_t i = 0; i < lines.count(); ++i) {
        const String& line = lines.at(i);
        TextOutA(dc, 2, i * line_height, line.c_str(), line.length());
    }
    SelectObject(dc, previous);
    DeleteObject(measure.font);
}

LRESULT CALLBACK background_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE: {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_ERASEBKGND:
        erase_background(window, reinterpret_cast<HDC>(wparam));
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        paint_title(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

} // namespace

void* create_background_window(void* instance, void* parent, const BackgroundSettings& settings) {
    static bool registered = false;
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    if (!registered) {
        WNDCLASSA window_class = {};
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = background_procedure;
        window_class.hInstance = module;
        window_class.lpszClassName = class_name;
        if (RegisterClassA(&window_class) == 0)
            internal_fatal(registration_module, registration_line);
        registered = true;
    }
    HWND window = CreateWindowExA(0, class_name, "", WS_POPUP, 0, 0, 0, 0, static_cast<HWND>(parent), nullptr,
                                  module, const_cast<BackgroundSettings*>(&settings));
    if (window == nullptr)
        fatal("Failed to create the window.  Please reboot your machine and try again.");
    ShowWindow(window, SW_HIDE);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    InvalidateRect(window, nullptr, TRUE);
    return window;
}

void fill_gradient(void* device_context, std::uint32_t top_colour, const PixelRect& rect,
                   std::uint32_t bottom_colour) {
    HDC dc = static_cast<HDC>(device_context);
    if (!gradient_looked_up) {
        load_function("msimg32.dll", "GradientFill", system_gradient_fill);
        gradient_looked_up = true;
    }
    if (system_gradient_fill != nullptr) {
        TRIVERTEX vertices[2] = {};
        vertices[0].x = rect.left;
        vertices[0].y = rect.top;
        vertices[0].Red = channel16(top_colour, 0);
        vertices[0].Green = channel16(top_colour, 1);
        vertices[0].Blue = channel16(top_colour, 2);
        vertices[1].x = rect.right;
        vertices[1].y = rect.bottom;
        vertices[1].Red = channel16(bottom_colour, 0);
        vertices[1].Green = channel16(bottom_colour, 1);
        vertices[1].Blue = channel16(bottom_colour, 2);
        GRADIENT_RECT joined = {0, 1};
        system_gradient_fill(dc, vertices, 2, &joined, 1, GRADIENT_FILL_RECT_V);
        return;
    }
    BandedGradient bands(top_colour, rect.top, rect.bottom, bottom_colour);
    RECT band = {rect.left, 0, rect.right + 1, 0};
    std::int32_t y = 0;
    std::int32_t height = 0;
    std::uint32_t colour = 0;
    while (bands.next(y, height, colour)) {
        band.top = y;
        band.bottom = y + height;
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
}

void use_banded_gradient() {
    gradient_looked_up = true;
    system_gradient_fill = nullptr;
}

void repaint_background_window(void* window) {
    if (window != nullptr)
        InvalidateRect(static_cast<HWND>(window), nullptr, TRUE);
}
