// JPEG pictures decoded by libjpeg-turbo into cairo images.
#include "platform/x11/jpeg_picture.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // before jpeglib.h, which uses FILE

#include <jpeglib.h>

namespace platform::x11 {

namespace {

// libjpeg reports errors by calling back; this one jumps out instead of
// ending the program.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
};

extern "C" void JpegFailed(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->escape, 1);
}

}  // namespace

cairo_surface_t* DecodeJpeg(std::span<const unsigned char> data) {
  if (data.empty()) {
    return nullptr;
  }
  jpeg_decompress_struct info{};
  JpegError error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFailed;
  cairo_surface_t* image = nullptr;
  if (setjmp(error.escape) != 0) {
    jpeg_destroy_decompress(&info);
    if (image != nullptr) {
      cairo_surface_destroy(image);
    }
    return nullptr;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRX;  // cairo's RGB24 on a little-endian machine
  jpeg_start_decompress(&info);
  image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(info.output_width),
                                     static_cast<int>(info.output_height));
  unsigned char* pixels = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels + static_cast<std::ptrdiff_t>(info.output_scanline) * stride;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  cairo_surface_mark_dirty(image);
  return image;
}

}  // namespace platform::x11
