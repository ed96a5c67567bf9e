#include "support/coupon_picture.h"

#include <cairo.h>

#include <cmath>
#include <fstream>

namespace sortwell::testing {

void draw_coupon(const CouponPicture& picture, const std::string& path) {
  const bool sideways = picture.turn % 180 != 0;
  const int width = sideways ? picture.height : picture.width, height = sideways ? picture.width : picture.height;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cairo = cairo_create(surface);
  cairo_set_source_rgb(cairo, picture.background[0], picture.background[1], picture.background[2]);
  cairo_paint(cairo);
  cairo_translate(cairo, width / 2.0, height / 2.0);
  cairo_rotate(cairo, picture.turn * M_PI / 180);
  cairo_translate(cairo, -picture.width / 2.0, -picture.height / 2.0);
  cairo_set_source_rgb(cairo, 0, 0, 0);
  double y = 20;
  for (const CouponPicture::Line& line : picture.lines) {
    cairo_select_font_face(cairo, line.font.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           line.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo, line.size);
    y += line.size * 1.3;
    cairo_move_to(cairo, 30, y);
    cairo_show_text(cairo, line.text.c_str());
  }
  cairo_surface_flush(surface);
  if (path.ends_with(".pgm") || path.ends_with(".ppm")) {
    std::ofstream pgm(path, std::ios::binary);
    pgm << "P5\n" << width << " " << height << "\n255\n";
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int at = 0; at < width * height; ++at) {  // BGRx rows, to gray
      const unsigned char* pixel = data + at / width * cairo_image_surface_get_stride(surface) + 4 * (at % width);
      pgm.put(static_cast<char>((pixel[0] * 114 + pixel[1] * 587 + pixel[2] * 299) / 1000));
    }
  } else {
    cairo_surface_write_to_png(surface, path.c_str());
  }
  cairo_destroy(cairo);
  cairo_surface_destroy(surface);
}

CouponPicture sudsy_coupon(int turn) {
  return {{{"SAVE $1.00", 80, "DejaVu Sans", true},
           {"on any ONE Sudsy laundry pods", 44, "DejaVu Serif"},
           {"Limit one coupon per purchase.", 26},
           {"Expires 03/31/2027", 26, "DejaVu Sans Mono"}},
          900, 380, turn};
}

}  // namespace sortwell::testing
