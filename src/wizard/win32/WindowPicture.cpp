#include "wizard/win32/WindowPicture.h"

#include "wizard/win32/Win32Api.h"

#include <algorithm>
#include <objbase.h>
#include <stdexcept>
#include <vector>
#include <wincodec.h>

namespace wizard::win32 {

namespace {

template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (FPointer != nullptr)
            FPointer->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Out() { return &FPointer; }
    T* operator->() const { return FPointer; }
    T* Get() const { return FPointer; }

private:
    T* FPointer = nullptr;
};

void Check(HRESULT result, const std::string& path, const char* step) {
    if (FAILED(result))
        throw std::runtime_error("impossible d'écrire " + path + " (" + step + ", HRESULT 0x" + [result] {
            char hex[16];
            wsprintfA(hex, "%08lX", static_cast<unsigned long>(result));
            return std::string(hex);
        }() + ")");
}

// COM for this thread while the picture is written.
class ComScope {
public:
    ComScope()
        : FInitialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (FInitialised)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool FInitialised;
};

} // namespace

void SaveWindowPicture(Hwnd window, const std::string& path) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0)
        throw std::runtime_error("impossible d'écrire " + path + " : la fenêtre n'a pas de surface");
    // The window paints itself and its controls into a bitmap of ours (the screen may be covered).
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    if (bits != nullptr)
        std::copy_n(static_cast<const BYTE*>(bits), pixels.size(), pixels.begin());
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    if (bits == nullptr)
        throw std::runtime_error("impossible d'écrire " + path + " : pas de mémoire pour l'image");
    for (std::size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255; // GDI leaves the alpha byte at 0: opaque

    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.Out())),
          path, "WIC");
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Out()), path, "stream");
    const std::wstring widePath = WideText(path);
    Check(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE), path, "file");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out()), path, "PNG encoder");
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), path, "encoder");
    ComPtr<IWICBitmapFrameEncode> frame;
    Check(encoder->CreateNewFrame(frame.Out(), nullptr), path, "frame");
    Check(frame->Initialize(nullptr), path, "frame");
    Check(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), path, "size");
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    Check(frame->SetPixelFormat(&format), path, "pixel format");
    Check(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width) * 4, static_cast<UINT>(pixels.size()),
                             pixels.data()),
          path, "pixels");
    Check(frame->Commit(), path, "frame");
    Check(encoder->Commit(), path, "file");
}

} // namespace wizard::win32
