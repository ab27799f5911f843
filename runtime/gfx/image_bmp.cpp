// The BMP decoder: core (12-byte) and Windows (40, 52, 56, 108, 124-byte)
// headers; 1, 4 and 8 bits through a palette, 16 and 32 bits plain or with
// bit-field masks, 24 bits; RLE8 and RLE4; bottom-up and top-down rows.
// Every size in the file is checked before it is used: a damaged file fails
// the decode, it never makes the decoder read or write outside its buffers.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gfx/image_codec.hpp"

namespace zrv {

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The count bytes at offset at, null when they are not all in the file.
const uint8_t* bytes_at(std::span<const uint8_t> file, int64_t at, int64_t count) {
  const auto size = static_cast<int64_t>(file.size());
  if (at < 0 || count < 0 || at > size || count > size - at) return nullptr;
  return file.data() + at;
}

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1) == 0) ++shift;
    max = mask >> shift;
  }
  uint8_t get(uint32_t pixel) const {
    if (max == 0) return 0;
    return static_cast<uint8_t>(static_cast<uint64_t>((pixel & mask) >> shift) * 255 / max);
  }
};

struct Palette {
  std::vector<uint8_t> rgb;  // 3 bytes per entry: red, green, blue
  uint32_t count = 0;

  // Writes entry index as an opaque pixel; false for an index beyond the palette.
  bool put(uint32_t index, uint8_t* out) const {
    if (index >= count) return false;
    std::memcpy(out, &rgb[index * 3], 3);
    out[3] = 255;
    return true;
  }
};

struct Header {
  int64_t data_offset = 0;
  uint32_t header_size = 0;
  int32_t width = 0;
  int32_t height = 0;  // positive; top_down tells the row order
  bool top_down = false;
  uint32_t bpp = 0;
  uint32_t compression = kRgb;
};

bool read_header(std::span<const uint8_t> file, Header* h) {
  const uint8_t* b = bytes_at(file, 0, 18);
  if (b == nullptr || b[0] != 'B' || b[1] != 'M') return false;
  h->data_offset = u32(b + 10);
  h->header_size = u32(b + 14);
  int64_t w = 0;
  int64_t ht = 0;
  if (h->header_size == 12) {
    if (bytes_at(file, 18, 8) == nullptr) return false;
    w = u16(b + 18);
    ht = u16(b + 20);
    h->bpp = u16(b + 24);
  } else if (h->header_size == 40 || h->header_size == 52 || h->header_size == 56 ||
             h->header_size == 108 || h->header_size == 124) {
    if (bytes_at(file, 18, 36) == nullptr) return false;
    w = static_cast<int32_t>(u32(b + 18));
    ht = static_cast<int32_t>(u32(b + 22));
    h->bpp = u16(b + 28);
    h->compression = u32(b + 30);
  } else {
    return false;
  }
  if (ht < 0) {
    h->top_down = true;
    ht = -ht;
  }
  if (w <= 0 || ht <= 0 || w > kImageMaxSide || ht > kImageMaxSide ||
      w * ht > image_pixel_limit()) {
    return false;
  }
  h->width = static_cast<int32_t>(w);
  h->height = static_cast<int32_t>(ht);

  switch (h->bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  switch (h->compression) {
    case kRgb:
      return true;
    case kRle8:
      return h->bpp == 8 && !h->top_down;
    case kRle4:
      return h->bpp == 4 && !h->top_down;
    case kBitFields:
      return h->bpp == 16 || h->bpp == 32;
    default:
      return false;
  }
}

// Pixel (x, y) of the output for file row file_row (0 = first row in the file).
uint8_t* out_pixel(RtImage& image, const Header& h, int32_t file_row, int32_t x) {
  int32_t y = h.top_down ? file_row : h.height - 1 - file_row;
  return image.row(y) + static_cast<int64_t>(x) * 4;
}

bool decode_rows(RtImage& image, const Header& h, const uint8_t* data, int64_t row_size,
                 const Palette& palette, const Channel masks[3]) {
  for (int32_t fr = 0; fr < h.height; ++fr) {
    const uint8_t* src = data + fr * row_size;
    uint8_t* out = out_pixel(image, h, fr, 0);
    for (int32_t x = 0; x < h.width; ++x, out += 4) {
      switch (h.bpp) {
        case 1:
          if (!palette.put((src[x >> 3] >> (7 - (x & 7))) & 1, out)) return false;
          break;
        case 4:
          if (!palette.put((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4, out)) return false;
          break;
        case 8:
          if (!palette.put(src[x], out)) return false;
          break;
        case 16:
        case 32: {
          uint32_t v = h.bpp == 16 ? u16(src + x * 2) : u32(src + x * 4);
          out[0] = masks[0].get(v);
          out[1] = masks[1].get(v);
          out[2] = masks[2].get(v);
          out[3] = 255;
          break;
        }
        case 24:
          out[0] = src[x * 3 + 2];
          out[1] = src[x * 3 + 1];
          out[2] = src[x * 3];
          out[3] = 255;
          break;
      }
    }
  }
  return true;
}

// RLE8 / RLE4. Pixels the stream never sets stay transparent black; pixels a
// run puts beyond the right edge are dropped; moving beyond the last row ends
// the picture. Running out of data before the end mark fails.
bool decode_rle(RtImage& image, const Header& h, const uint8_t* data, int64_t size,
                const Palette& palette) {
  const bool four = h.compression == kRle4;
  int64_t at = 0;
  int64_t x = 0;
  int64_t y = 0;  // file row, bottom row first
  auto put = [&](uint32_t index) {
    if (x < h.width && y < h.height) {
      if (!palette.put(index,
                       out_pixel(image, h, static_cast<int32_t>(y), static_cast<int32_t>(x)))) {
        return false;
      }
    }
    ++x;
    return true;
  };
  while (y < h.height) {
    if (size - at < 2) return false;
    const uint8_t count = data[at];
    const uint8_t value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) {
        uint32_t index = four ? ((i & 1) ? value & 15 : value >> 4) : value;
        if (!put(index)) return false;
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // move right and up
      if (size - at < 2) return false;
      x += data[at];
      y += data[at + 1];
      at += 2;
    } else {  // a literal run of `value` pixels, padded to 16 bits
      const int64_t bytes = four ? (value + 1) / 2 : value;
      const int64_t padded = (bytes + 1) & ~int64_t{1};
      if (size - at < padded) return false;
      for (int i = 0; i < value; ++i) {
        uint32_t index =
            four ? ((i & 1) ? data[at + i / 2] & 15 : data[at + i / 2] >> 4) : data[at + i];
        if (!put(index)) return false;
      }
      at += padded;
    }
  }
  return true;
}

bool decode(std::span<const uint8_t> file, RtImage& image, int32_t key) {
  Header h;
  if (!read_header(file, &h)) return false;

  // Bit-field masks sit right behind the 40-byte header (inside the longer
  // headers at the same place); the palette follows them.
  int64_t header_end = 14 + static_cast<int64_t>(h.header_size);
  Channel masks[3] = {Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
  if (h.bpp == 32)
    masks[0] = Channel(0xFF0000), masks[1] = Channel(0xFF00), masks[2] = Channel(0xFF);
  if (h.compression == kBitFields) {
    const uint8_t* m = bytes_at(file, 54, 12);
    if (m == nullptr) return false;
    masks[0] = Channel(u32(m));
    masks[1] = Channel(u32(m + 4));
    masks[2] = Channel(u32(m + 8));
    if (h.header_size == 40) header_end += 12;
  }
  const auto file_size = static_cast<int64_t>(file.size());
  if (h.data_offset < header_end || h.data_offset > file_size) return false;

  Palette palette;
  if (h.bpp <= 8) {
    const int64_t entry = h.header_size == 12 ? 3 : 4;
    palette.count = static_cast<uint32_t>(
        std::min<int64_t>(int64_t{1} << h.bpp, (h.data_offset - header_end) / entry));
    if (palette.count == 0) return false;
    const uint8_t* raw = bytes_at(file, header_end, palette.count * entry);
    if (raw == nullptr) return false;
    palette.rgb.resize(palette.count * 3);
    for (uint32_t i = 0; i < palette.count; ++i) {
      palette.rgb[i * 3] = raw[i * entry + 2];
      palette.rgb[i * 3 + 1] = raw[i * entry + 1];
      palette.rgb[i * 3 + 2] = raw[i * entry];
    }
  }

  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  const int64_t row_size = (static_cast<int64_t>(h.width) * h.bpp + 31) / 32 * 4;
  const int64_t need = rle ? file_size - h.data_offset : row_size * h.height;
  const uint8_t* data = bytes_at(file, h.data_offset, need);
  if (data == nullptr) return false;  // short pixel data

  if (!image.resize(h.width, h.height)) return false;
  bool ok = rle ? decode_rle(image, h, data, need, palette)
                : decode_rows(image, h, data, row_size, palette, masks);
  if (!ok) return false;
  image_apply_color_key(image, key);
  image.alpha_in_file = 0;
  return true;
}

}  // namespace

bool image_decode_bmp(RtImage& image, std::span<const uint8_t> file, int32_t key) {
  image.clear();
  if (!decode(file, image, key)) {
    image.clear();
    return false;
  }
  return true;
}

}  // namespace zrv
