// picture_diff SHOT REFERENCE [TOLERANCE]
//
// Compares two PNG pictures pixel by pixel, red, green and blue (the alpha
// of a screenshot is whatever the frame buffer held and means nothing).
// A pixel differs when one of its channels is more than TOLERANCE (default
// 0) apart. Prints one line: the sizes, or how many pixels differ, by how
// much at most and where the first one is. Status 0: no pixel differs;
// 1: the pictures differ; 2: a file could not be read as a PNG picture.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "gfx/image_codec.hpp"

namespace {

bool load(const char* path, zrv::RtImage& image) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  return zrv::image_decode_png(image, bytes, zrv::kNoColorKey, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: picture_diff SHOT REFERENCE [TOLERANCE]\n");
    return 2;
  }
  const int tolerance = argc == 4 ? std::atoi(argv[3]) : 0;
  zrv::RtImage shot, reference;
  for (int i = 1; i <= 2; ++i) {
    if (!load(argv[i], i == 1 ? shot : reference)) {
      std::printf("%s: not a readable PNG picture\n", argv[i]);
      return 2;
    }
  }
  if (shot.width != reference.width || shot.height != reference.height) {
    std::printf("sizes differ: %dx%d, reference %dx%d\n", shot.width, shot.height, reference.width,
                reference.height);
    return 1;
  }
  long differing = 0;
  int largest = 0, first_x = -1, first_y = -1;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      int worst = 0;
      for (int c = 0; c < 3; ++c) {
        worst = std::max(worst, std::abs(shot.row(y)[x * 4 + c] - reference.row(y)[x * 4 + c]));
      }
      largest = std::max(largest, worst);
      if (worst > tolerance) {
        if (differing == 0) {
          first_x = x;
          first_y = y;
        }
        ++differing;
      }
    }
  }
  if (differing == 0) {
    std::printf("same pictures (largest channel difference %d, tolerance %d)\n", largest,
                tolerance);
    return 0;
  }
  std::printf("%ld pixels differ by more than %d, by up to %d; the first at (%d, %d)\n", differing,
              tolerance, largest, first_x, first_y);
  return 1;
}
