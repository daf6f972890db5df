#include "importer/ui/win32/picture_resource.h"

#include <wincodec.h>

#include <cstdint>

namespace plumex::win32 {

using common::win32::ComPtr;

namespace {

// The resource's bytes stay mapped for the module's life, so the stream may read them in place.
bool FindPngResource(int resourceId, const BYTE*& data, DWORD& size) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(10));
    if (found == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(module, found);
    size = SizeofResource(module, found);
    data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    return data != nullptr && size > 0;
}

// The first frame, converted to 32-bit BGRA with straight alpha.
ComPtr<IWICBitmapSource> DecodeBgra(const BYTE* data, DWORD size) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.Receive()))) ||
        FAILED(factory->CreateStream(stream.Receive())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), size)) ||
        FAILED(factory->CreateDecoderFromStream(
            stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Receive())) ||
        FAILED(decoder->GetFrame(0, frame.Receive())) ||
        FAILED(factory->CreateFormatConverter(converter.Receive())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return {};
    }
    return converter.As<IWICBitmapSource>(IID_IWICBitmapSource);
}

}  // namespace

GdiBitmap LoadPictureResource(int resourceId) {
    const BYTE* data = nullptr;
    DWORD size = 0;
    if (!FindPngResource(resourceId, data, size)) {
        return {};
    }
    ComPtr<IWICBitmapSource> source = DecodeBgra(data, size);
    UINT width = 0;
    UINT height = 0;
    if (!source || FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0 ||
        width > 0x4000 || height > 0x4000) {
        return {};
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC copies rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0),
                     static_cast<int>(width), static_cast<int>(height));
    const UINT stride = width * 4;
    if (!bitmap || bits == nullptr ||
        FAILED(source->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        return {};
    }
    GdiFlush();
    return bitmap;
}

}  // namespace plumex::win32
