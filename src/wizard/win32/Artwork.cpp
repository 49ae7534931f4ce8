#include "wizard/win32/Artwork.h"

#include "wizard/win32/Win32Api.h"

#include <algorithm>

namespace wizard::win32 {

namespace {

constexpr COLORREF kSideBottom = RGB(16, 46, 84);
constexpr COLORREF kSideTop = RGB(44, 104, 168);

COLORREF Mix(COLORREF a, COLORREF b, double t) {
    const auto channel = [t](int x, int y) {
        return static_cast<BYTE>(x + (y - x) * t);
    };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

// A 24-bit bitmap of `width` x `height` selected into a memory device context for painting.
class Canvas {
public:
    Canvas(int width, int height)
        : FDc(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap = CreateDIBSection(FDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        FOld = SelectObject(FDc, FBitmap);
    }
    ~Canvas() {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
        if (FBitmap != nullptr)
            DeleteObject(FBitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return FDc; }
    void Fill(const RECT& rect, COLORREF colour) {
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(FDc, &rect, brush);
        DeleteObject(brush);
    }
    void Ring(int cx, int cy, int radius, int width, COLORREF colour) {
        HPEN pen = CreatePen(PS_SOLID, std::max(1, width), colour);
        HGDIOBJ oldPen = SelectObject(FDc, pen);
        HGDIOBJ oldBrush = SelectObject(FDc, GetStockObject(NULL_BRUSH));
        Ellipse(FDc, cx - radius, cy - radius, cx + radius, cy + radius);
        SelectObject(FDc, oldBrush);
        SelectObject(FDc, oldPen);
        DeleteObject(pen);
    }
    // The bitmap, given to the caller.
    HBITMAP Take() {
        SelectObject(FDc, FOld);
        FOld = nullptr;
        HBITMAP bitmap = FBitmap;
        FBitmap = nullptr;
        return bitmap;
    }

private:
    HDC FDc;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
};

} // namespace

HBITMAP NewSidePicture(unsigned dpi) {
    const int width = Scaled(150, dpi);
    const int height = Scaled(245, dpi);
    Canvas canvas(width, height);
    // Light in the middle, the panel's colour at both ends and along the bottom rows.
    const int gradientEnd = Scaled(232, dpi);
    for (int y = 0; y < height; ++y) {
        const double at = y >= gradientEnd ? 1.0 : static_cast<double>(y) / gradientEnd;
        const COLORREF colour =
            at < 0.4 ? Mix(kSideBottom, kSideTop, at / 0.4) : Mix(kSideTop, kSideBottom, (at - 0.4) / 0.6);
        canvas.Fill(RECT{0, y, width, y + 1}, colour);
    }
    const int cx = Scaled(75, dpi);
    const int cy = Scaled(88, dpi);
    // A "Q": a ring with its tail, over faint concentric rings.
    canvas.Ring(cx, cy, Scaled(62, dpi), Scaled(1, dpi), Mix(kSideTop, RGB(255, 255, 255), 0.15));
    canvas.Ring(cx, cy, Scaled(50, dpi), Scaled(1, dpi), Mix(kSideTop, RGB(255, 255, 255), 0.25));
    canvas.Ring(cx, cy, Scaled(34, dpi), Scaled(9, dpi), RGB(236, 240, 246));
    HPEN tail = CreatePen(PS_SOLID, Scaled(9, dpi), RGB(236, 240, 246));
    HGDIOBJ old = SelectObject(canvas.Dc(), tail);
    MoveToEx(canvas.Dc(), Scaled(92, dpi), Scaled(106, dpi), nullptr);
    LineTo(canvas.Dc(), Scaled(112, dpi), Scaled(128, dpi));
    SelectObject(canvas.Dc(), old);
    DeleteObject(tail);
    // The product family's name under it.
    HFONT font = NewFont(L"Arial", 18, dpi, true);
    old = SelectObject(canvas.Dc(), font);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    SetTextColor(canvas.Dc(), RGB(255, 255, 255));
    RECT text{0, Scaled(170, dpi), width, Scaled(200, dpi)};
    DrawTextW(canvas.Dc(), L"Quarnel", -1, &text, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    SelectObject(canvas.Dc(), old);
    DeleteObject(font);
    return canvas.Take();
}

HBITMAP NewPrinterGlyph(unsigned dpi) {
    const int size = Scaled(16, dpi);
    const auto s = [dpi](int x) {
        return Scaled(x, dpi);
    };
    Canvas canvas(size, size);
    canvas.Fill(RECT{0, 0, size, size}, GetSysColor(COLOR_BTNFACE));
    canvas.Fill(RECT{s(4), s(1), s(12), s(7)}, RGB(255, 255, 255));   // the sheet going in
    canvas.Fill(RECT{s(1), s(6), s(15), s(12)}, RGB(96, 96, 96));     // the body
    canvas.Fill(RECT{s(12), s(7), s(14), s(8)}, RGB(80, 200, 80));    // its light
    canvas.Fill(RECT{s(4), s(10), s(12), s(15)}, RGB(255, 255, 255)); // the printed sheet
    canvas.Fill(RECT{s(5), s(12), s(11), s(13)}, RGB(64, 64, 64));
    return canvas.Take();
}

std::uint32_t SidePictureBottomColour() {
    return kSideBottom;
}

} // namespace wizard::win32
