// Pictures from the executable's resources, decoded by WIC.
#include "platform/win32/resource_picture.h"

#include <wincodec.h>

#include <cwctype>

#include "platform/win32/wide_text.h"

namespace platform::win32 {

namespace {

struct ResourceBytes {
  const BYTE* data = nullptr;
  DWORD size = 0;
};

ResourceBytes FindPicture(HINSTANCE instance, std::string_view name) {
  std::wstring resource_name = Widen(name);
  for (wchar_t& letter : resource_name) {
    letter = static_cast<wchar_t>(std::towupper(letter));
  }
  HRSRC found = FindResourceW(instance, resource_name.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (found == nullptr) {
    return {};
  }
  HGLOBAL loaded = LoadResource(instance, found);
  if (loaded == nullptr) {
    return {};
  }
  return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(instance, found)};
}

}  // namespace

UniqueBitmap LoadResourcePicture(HINSTANCE instance, std::string_view name, SIZE& size) {
  size = {};
  const ResourceBytes bytes = FindPicture(instance, name);
  if (bytes.data == nullptr) {
    return {};
  }
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.Out())))) {
    return {};
  }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data), bytes.size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) ||
      FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0) {
    return {};
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC gives them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) {
    return {};
  }
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
    return {};
  }
  size = {static_cast<LONG>(width), static_cast<LONG>(height)};
  return bitmap;
}

}  // namespace platform::win32
