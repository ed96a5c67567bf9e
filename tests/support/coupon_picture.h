#pragma once

#include <string>
#include <vector>

namespace sortwell::testing {

// A coupon drawn for a test: lines of print, sizes in pixels, laid any way round.
struct CouponPicture {
  struct Line {
    std::string text;
    double size;
    std::string font = "DejaVu Sans";
    bool bold = false;
  };
  std::vector<Line> lines;
  int width = 900, height = 380;
  int turn = 0;  // degrees clockwise: 0, 90, 180, 270
  double background[3] = {1, 1, 1};
};

// PNG, or 8-bit PGM (as the pnm scanner serves) where `path` ends in ".pgm" or ".ppm".
void draw_coupon(const CouponPicture& picture, const std::string& path);

// A sale coupon, its lines' sizes falling, turned `turn` degrees.
CouponPicture sudsy_coupon(int turn = 0);

}  // namespace sortwell::testing
