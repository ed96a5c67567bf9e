#pragma once

#include <string>
#include <vector>

namespace sortwell::testing {

// A coupon drawn for a test: lines of print in the fonts and sizes given,
// on a background, laid any way round.
struct CouponPicture {
  struct Line {
    std::string text;
    double size;  // pixels
    std::string font = "DejaVu Sans";
    bool bold = false;
  };
  std::vector<Line> lines;
  int width = 900;
  int height = 380;
  int turn = 0;  // degrees clockwise: 0, 90, 180, 270
  double background[3] = {1, 1, 1};
};

// Draws it into `path`: PNG, or 8-bit PGM (as the pnm scanner serves) where
// the name ends in ".pgm" or ".ppm".
void draw_coupon(const CouponPicture& picture, const std::string& path);

// A sale coupon as the tests read it, with its lines' sizes in falling order.
CouponPicture sudsy_coupon();

}  // namespace sortwell::testing
