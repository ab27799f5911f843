// Bitmap fonts: 32 slots, each a sheet image of 16 glyph columns (sprites
// 65504 + f), measured at load time so that text prints proportionally as
// well as in fixed cells; a built-in font and the system font of start-up.
#pragma once

#include <cstdint>

#include "base/rt_string.hpp"
#include "gfx/renderer.hpp"

namespace zrv {

struct RtImage;

// The font the text commands use (0..31).
extern int32_t current_font;

// Commands.
// Loads an image file into font slot f. A missing or undecodable file
// reports error 3 and leaves the built-in font in the slot; f above 31
// reports error 7. An empty name empties the slot.
void font_load(const RtString& file, int32_t f);
// Selects font f with a scale for its printed size; f above 31: error 7.
void font_set(int32_t f, double scale);
int32_t font_get();
// The highest slot from 31 down without a sheet, -1 when none.
int32_t font_free_get();
// Cell size of the current font times its scale.
void font_glyph_size(double* width, double* height);
void font_glyph_size(int32_t* width, int32_t* height);

// Renderer operations.
// Null when the sheet loaded, else why not in words.
const char* font_load_file(OpenGLVireo* r, int32_t f, const char* path);
void font_build_default(OpenGLVireo* r, int32_t f);
// Start-up: the built-in font stays in slot 0 unless one of the system font
// files is found; then font 0 at scale 1.
void font_system_load(OpenGLVireo* r);

// Sheet layout: cell width and height and the number of codes (128 or 256)
// of a sheet of w x h pixels.
struct SheetLayout {
  int32_t cell_width;
  int32_t cell_height;
  int32_t codes;
};
SheetLayout font_sheet_layout(int32_t width, int32_t height);
// Measures every glyph of a decoded sheet into 256 records; padded_width is
// the width of the texture the sheet goes into.
void font_glyphs_measure(const RtImage& sheet, int32_t padded_width, GlyphRecord out[256]);
// The built-in font: 5 x 6 masks (bit row * 5 + column) and its 128 x 64
// sheet with the dark outline.
int32_t font_default_mask(int32_t code);
bool font_default_image(RtImage& image);

}  // namespace zrv
