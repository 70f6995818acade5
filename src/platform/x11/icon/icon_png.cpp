// Build tool: writes the program's icon as a PNG of a given size, for the
// desktop's icon theme, from the same icon file the programs carry.
//
//   icon_png ICON.ico SIZE OUTPUT.png
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/x11/icon/icon_image.h"

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: icon_png ICON.ico SIZE OUTPUT.png\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
  std::vector<std::uint32_t> icon = platform::x11::IconPixels(bytes);
  const int size = std::atoi(argv[2]);
  if (icon.size() < 2 || size <= 0 || size > 1024) {
    std::fprintf(stderr, "icon_png: cannot read %s or make %s px\n", argv[1], argv[2]);
    return 1;
  }
  const int width = static_cast<int>(icon[0]);
  const int height = static_cast<int>(icon[1]);
  // cairo wants premultiplied pixels; the icon's are clear or opaque.
  for (std::size_t i = 2; i < icon.size(); ++i) {
    if ((icon[i] >> 24) == 0) {
      icon[i] = 0;
    }
  }
  cairo_surface_t* source =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(icon.data() + 2),
                                          CAIRO_FORMAT_ARGB32, width, height, width * 4);
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(target);
  cairo_scale(cr, static_cast<double>(size) / width, static_cast<double>(size) / height);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BEST);
  cairo_paint(cr);
  cairo_destroy(cr);
  const bool written = cairo_surface_write_to_png(target, argv[3]) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(target);
  cairo_surface_destroy(source);
  return written ? 0 : 1;
}
