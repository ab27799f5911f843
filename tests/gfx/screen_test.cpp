// The drawing surface on a real window: logical screen, orientation, clear
// colour and background images, placement, full screen, hiding and
// re-creating the window.
#include <fstream>
#include <sstream>

#include "base/errors.hpp"
#include "file_bytes_of.hpp"
#include "gfx/targets.hpp"
#include "gl_session.hpp"
#include "zorvane.hpp"

namespace gfx_test {
namespace {

using namespace zrv;

std::string log_text() {
  std::ifstream in(log_path().c_str(), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(Screen, LogicalScreenIsScaledAndCentred) {
  REQUIRE_GL();
  fresh(0x000000);
  OpenGLVireo* r = ctx.renderer;
  screen_logical_set(320, 240);
  EXPECT_EQ(screen_state.screen_scale, 2.0f);
  EXPECT_EQ(screen_state.screen_offset_x, 80);
  EXPECT_EQ(screen_state.screen_offset_y, 0);
  EXPECT_EQ(r->virtual_width, 320);
  EXPECT_EQ(r->virtual_height, 240);
  int32_t w, h;
  screen_size_get(&w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  int32_t vx, vy, vw, vh;
  viewport_get(&vx, &vy, &vw, &vh);
  EXPECT_EQ(vx, 0);
  EXPECT_EQ(vy, 0);
  EXPECT_EQ(vw, 320);
  EXPECT_EQ(vh, 240);

  // Logical (0, 0) lands at window pixel (80, 0), two pixels wide.
  rect_fill(0, 0, 1, 1, 0x0000FF);
  EXPECT_PX(80, 0, 255, 0, 0);
  EXPECT_PX(81, 1, 255, 0, 0);
  EXPECT_PX(79, 0, 0, 0, 0);
  EXPECT_PX(82, 0, 0, 0, 0);
  EXPECT_PX(80, 2, 0, 0, 0);
  // The bottom-right logical pixel.
  rect_fill(319, 239, 1, 1, 0x00FF00);
  EXPECT_PX(719, 479, 0, 255, 0);
  EXPECT_PX(720, 479, 0, 0, 0);
  // Sprites are enlarged with the screen.
  solid_sprite(1, 2, 2, 0xFF0000);
  smooth_set(0);
  sprite_draw(1, 10, 10);
  EXPECT_PX(100, 20, 0, 0, 255);
  EXPECT_PX(103, 23, 0, 0, 255);
  EXPECT_PX(104, 20, 0, 0, 0);

  // A viewport inside the logical screen comes back as given.
  viewport_set(10, 20, 100, 50);
  viewport_get(&vx, &vy, &vw, &vh);
  EXPECT_EQ(vx, 10);
  EXPECT_EQ(vy, 20);
  EXPECT_EQ(vw, 100);
  EXPECT_EQ(vh, 50);
  EXPECT_EQ(r->viewport_x, 100);
  rect_fill(0, 0, 1, 1, 0xFFFFFF);
  EXPECT_PX(100, 40, 255, 255, 255);

  // The frame reset's whole-screen viewport keeps the logical screen.
  renderer_reset_2d_state(r);
  viewport_get(&vx, &vy, &vw, &vh);
  EXPECT_EQ(vw, 320);
  EXPECT_EQ(vh, 240);

  // Removing it gives the whole window back.
  screen_logical_set(0, 0);
  EXPECT_EQ(screen_state.screen_scale, 0.0f);
  screen_size_get(&w, &h);
  EXPECT_EQ(w, kW);
  EXPECT_EQ(h, kH);
  rect_fill(0, 0, 1, 1, 0x00FFFF);
  EXPECT_PX(0, 0, 255, 255, 0);
}

// On an enlarged logical screen every way back from the window agrees with
// where the drawing went, at a scale of 2 and of 1.5: pixel_get, a grab,
// the mouse's mapping, a read-back while a target is in use.
TEST(Screen, LogicalScreenReadBackAgreesWithTheDrawing) {
  REQUIRE_GL();
  const auto colour = [](int32_t i) { return rgb(10 + 20 * i, 250 - 20 * i, 7 * i + 1); };
  const int32_t sizes[2][2] = {{320, 240}, {500, 300}};
  for (const auto& size : sizes) {
    fresh(0x000000);
    screen_logical_set(size[0], size[1]);
    const ScreenMapping m = renderer_screen_mapping(ctx.renderer);
    for (int32_t i = 0; i < 10; ++i) rect_fill(i, 0, 1, 1, colour(i));
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(pixel_get(i, 0), colour(i)) << size[0] << " " << i;
    for (int32_t wx = m.offset_x - 2; wx < m.offset_x + 16; ++wx) {
      int32_t lx, ly;
      m.to_logical(wx, m.offset_y, &lx, &ly);
      const int32_t want = lx >= 0 && lx < 10 && ly == 0 ? colour(lx) : 0;
      EXPECT_TRUE(px_is(wx, m.offset_y, want & 0xFF, (want >> 8) & 0xFF, want >> 16, 0))
          << "scale " << m.scale << " window x " << wx;
    }
    sprite_grab(60, 0, 0, 10, 1);
    RtArray<int32_t> grabbed;
    ASSERT_TRUE(sprite_to_array(grabbed, 60));
    ASSERT_EQ(grabbed.count, 10);
    for (int32_t i = 0; i < 10; ++i)
      EXPECT_EQ(static_cast<uint32_t>(grabbed(i)) & 0xFFFFFF, static_cast<uint32_t>(colour(i)))
          << "scale " << m.scale << " pixel " << i;
    // Reading a sprite back ends a target; the drawing then goes to the
    // logical screen, not to the window unscaled.
    target_create(0, 61, 8, 8);
    target_use(0);
    ASSERT_TRUE(sprite_to_array(grabbed, 60));
    EXPECT_EQ(screen_state.target_in_use, -1);
    rect_fill(20, 20, 1, 1, 0xFFFFFF);
    EXPECT_EQ(pixel_get(20, 20), 0xFFFFFF);
    int32_t wx, wy;
    m.from_logical(20, 20, &wx, &wy);
    EXPECT_PX(wx, wy, 255, 255, 255);
    target_create(0, -1, 0, 0);
  }
  screen_logical_set(0, 0);
  // A grab keeps to the window.
  sprite_grab(62, -5, -5, 20000, 20000);
  EXPECT_EQ(ctx.renderer->sprites[62].image_width, kW);
  EXPECT_EQ(ctx.renderer->sprites[62].image_height, kH);
  sprite_delete(ctx.renderer, 62);
  // A turned screen is saved whole, upright: 480 x 800.
  screen_orientation_set(1);
  rect_fill(0, 0, 1, 1, 0x0000FF);
  rect_fill(kH - 1, kW - 1, 1, 1, 0x00FF00);
  const std::string dir = make_temp_dir("zrv_gfx_turned"), file = dir + "/turned.png";
  ASSERT_TRUE(screen_save(RtString(file.c_str())));
  screen_orientation_set(0);
  RtImage saved;
  ASSERT_TRUE(image_decode_png(saved, test::file_bytes_of(file.c_str()), kNoColorKey));
  unlink(file.c_str());
  rmdir(dir.c_str());
  ASSERT_EQ(saved.width, kH);
  ASSERT_EQ(saved.height, kW);
  EXPECT_EQ(saved.row(0)[0], 255);
  EXPECT_EQ(saved.row(kW - 1)[(kH - 1) * 4 + 1], 255);
  EXPECT_EQ(saved.row(kW / 2)[kH * 2], 0) << "no filler where the window was not read";
}

TEST(Screen, OrientationTurnsTheScreenAndItsMappings) {
  REQUIRE_GL();
  OpenGLVireo* r = gl_session();
  for (int32_t n = 0; n < 4; ++n) {
    fresh(0x000000);
    screen_orientation_set(n);
    ASSERT_EQ(screen_orientation_get(), n);
    int32_t w, h;
    screen_size_get(&w, &h);
    EXPECT_EQ(w, n % 2 ? kH : kW);
    EXPECT_EQ(h, n % 2 ? kW : kH);
    // Logical pixels land where the logical-to-window mapping says, and
    // pixel_get reads them back through the same mapping.
    for (auto [lx, ly, color] : {std::tuple{0, 0, 0x0000FF},
                                 {10, 5, 0x00FF00},
                                 {w - 1, h - 1, 0xFF0000},
                                 {w - 3, 2, 0xFFFF00}}) {
      rect_fill(lx, ly, 1, 1, color);
      int32_t wx, wy;
      screen_point_unmap(r, lx, ly, &wx, &wy);
      EXPECT_TRUE(px_is(wx, wy, color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF))
          << "orientation " << n << " logical (" << lx << "," << ly << ")";
      EXPECT_EQ(pixel_get(lx, ly), color) << "orientation " << n;
      // The window-to-logical mapping is the inverse.
      int32_t bx, by;
      screen_point_map(r, wx, wy, &bx, &by);
      EXPECT_EQ(bx, lx);
      EXPECT_EQ(by, ly);
    }
    // A relative motion ends where the mapped positions end.
    int32_t ax, ay, bx, by, dx, dy;
    screen_point_map(r, 100, 50, &ax, &ay);
    screen_point_map(r, 107, 46, &bx, &by);
    screen_vector_map(r, 7, -4, &dx, &dy);
    EXPECT_EQ(dx, bx - ax) << "orientation " << n;
    EXPECT_EQ(dy, by - ay) << "orientation " << n;
  }
  // Orientation 1: logical (0, 0) is the window's top-right pixel.
  fresh(0x000000);
  screen_orientation_set(1);
  rect_fill(0, 0, 1, 1, 0xFFFFFF);
  EXPECT_PX(kW - 1, 0, 255, 255, 255);
  // A grabbed rectangle of a turned screen shows the logical picture
  // upright (read back pixel by pixel).
  rect_fill(20, 30, 4, 2, 0x0000FF);
  rect_fill(24, 30, 4, 2, 0x00FF00);
  sprite_grab(9, 20, 30, 8, 2);
  screen_orientation_set(0);
  clear_color_apply(r, 0);
  ASSERT_TRUE(sprite_slot_used(9));
  smooth_set(0);
  sprite_draw(9, 300, 300);
  EXPECT_PX(300, 300, 255, 0, 0);
  EXPECT_PX(303, 301, 255, 0, 0);
  EXPECT_PX(304, 300, 0, 255, 0);
  EXPECT_PX(307, 301, 0, 255, 0);

  screen_orientation_set(5);
  EXPECT_EQ(screen_orientation_get(), 3);
  screen_orientation_set(-1);
  EXPECT_EQ(screen_orientation_get(), 0);
}

TEST(Screen, ClearColourAndBackgroundImages) {
  REQUIRE_GL();
  OpenGLVireo* r = gl_session();
  fresh(0x000000);
  screen_clear(0x203040);
  EXPECT_PX(5, 5, 0x40, 0x30, 0x20);
  rect_fill(10, 10, 5, 5, 0xFFFFFF);
  back_buffer_prepare(r);
  EXPECT_PX(12, 12, 0x40, 0x30, 0x20);

  // -1 stops clearing: the picture stays, across a buffer swap too.
  rect_fill(10, 10, 5, 5, 0xFFFFFF);
  screen_clear(-1);
  EXPECT_EQ(r->clear_enabled, 0);
  back_buffer_prepare(r);
  EXPECT_PX(12, 12, 255, 255, 255);
  renderer_swap_buffers(r);
  back_buffer_prepare(r);
  EXPECT_PX(12, 12, 255, 255, 255);

  // A clear colour equal to the colour key leaves the window opaque (only
  // off-screen targets take its alpha 0).
  screen_clear(0x8000FF);
  GLint alpha_bits = 0;
  gl.GetIntegerv(GL_ALPHA_BITS, &alpha_bits);
  if (alpha_bits > 0) {
    EXPECT_EQ(px(3, 3).a, 255);
  }
  screen_clear(0x00FF00);
  if (alpha_bits > 0) {
    EXPECT_EQ(px(3, 3).a, 255);
  }

  // A background image is drawn at its own size at every preparation.
  const std::string dir = make_temp_dir("zrv_gfx_bg");
  RtImage image;
  image_fill(image, 100, 50, [](int x, int) { return x < 50 ? 0xFF0000FFu : 0xFFFF0000u; });
  ASSERT_TRUE(image_write((dir + "/bg.png").c_str(), image));
  background_load(RtString((dir + "/bg.png").c_str()));
  EXPECT_EQ(ctx.last_error, 0);
  const int32_t bg = r->background_ids[0];
  ASSERT_EQ(bg, kLastProgramSprite);
  clear_color_apply(r, -1);
  rect_fill(0, 0, 800, 480, 0x00FF00);
  back_buffer_prepare(r);
  EXPECT_PX(10, 10, 255, 0, 0);
  EXPECT_PX(90, 40, 0, 0, 255);
  EXPECT_PX(101, 10, 0, 255, 0) << "not stretched";

  // A missing file: error 3, no background, black clearing.
  background_load(RtString((dir + "/none.png").c_str()));
  EXPECT_EQ(ctx.last_error, 3);
  EXPECT_EQ(r->background_ids[0], -1);
  EXPECT_FALSE(sprite_slot_used(bg));
  EXPECT_PX(90, 40, 0, 0, 0);

  // Grabbing twice reuses the slot of the first grab.
  rect_fill(0, 0, 800, 480, 0x00FFFF);
  background_grab();
  const int32_t grabbed = r->background_ids[0];
  EXPECT_EQ(grabbed, kLastProgramSprite);
  background_grab();
  EXPECT_EQ(r->background_ids[0], grabbed);
  EXPECT_TRUE(sprite_slot_used(grabbed));
  EXPECT_FALSE(sprite_slot_used(grabbed - 1));
  clear_color_apply(r, 0);
  back_buffer_prepare(r);
  EXPECT_PX(400, 240, 255, 255, 0);
  background_remove(r, 0);
  EXPECT_EQ(r->background_ids[0], -1);
  EXPECT_FALSE(sprite_slot_used(grabbed));
  unlink((dir + "/bg.png").c_str());
  rmdir(dir.c_str());
}

// Whatever is drawn, the window's alpha stays 255, so that saving and
// grabbing the screen copy no holes; off-screen targets keep real alpha.
TEST(Screen, WindowAlphaStaysOpaqueForReadBack) {
  REQUIRE_GL();
  OpenGLVireo* r = gl_session();
  fresh(0xA0A0A0);
  solid_sprite(1, 8, 8, 0xFFFFFF);
  RtImage holes;
  image_fill(holes, 8, 8, [](int, int) { return 0x00404040u; });
  ASSERT_TRUE(sprite_from_image(r, 2, holes, 0));
  blend_alpha(-0.5);
  sprite_draw(1, 10, 10);  // (207, 207, 207)
  blend_alpha(0);
  sprite_draw(2, 30, 10);  // written with its alpha 0
  blend_alpha(-1);
  const int xs[3] = {12, 32, 52}, grey[3] = {207, 64, 160};

  const std::string dir = make_temp_dir("zrv_gfx_alpha"), file = dir + "/screen.png";
  ASSERT_TRUE(screen_save(RtString(file.c_str())));
  RtImage saved;
  ASSERT_TRUE(image_decode_png(saved, test::file_bytes_of(file.c_str()), kNoColorKey));
  unlink(file.c_str());
  rmdir(dir.c_str());
  for (int x : xs) EXPECT_EQ(saved.row(12)[x * 4 + 3], 255) << x;
  sprite_grab(3, 10, 10, 48, 8);
  RtArray<int32_t> pixels;
  ASSERT_TRUE(sprite_to_array(pixels, 3));
  for (int i = 0; i < pixels.count; ++i) ASSERT_EQ(static_cast<uint32_t>(pixels(i)) >> 24, 255u);
  // A grabbed background redraws as it was, on black too.
  background_grab();
  clear_color_apply(r, 0);
  back_buffer_prepare(r);
  for (int i = 0; i < 3; ++i) EXPECT_PX(xs[i], 12, grey[i], grey[i], grey[i]);
  background_remove(r, 0);

  // A target cleared to the colour key is clear; drawn at half alpha, a
  // quarter.
  target_create(0, 20, 8, 8);
  target_use(0);
  clear_color_apply(r, r->color_key);
  blend_alpha(-0.5);
  rect_fill(0, 0, 4, 8, 0xFFFFFF);
  blend_alpha(-1);
  target_use(-1);
  ASSERT_TRUE(sprite_to_array(pixels, 20));
  EXPECT_NEAR(static_cast<uint32_t>(pixels(0)) >> 24, 64, 2);
  EXPECT_EQ(static_cast<uint32_t>(pixels(6)) >> 24, 0u);
  target_create(0, 20, 0, 0);
  clear_color_apply(r, 0);
}

TEST(Screen, WindowedPlacementFullScreenFallbackAndHiding) {
  REQUIRE_GL();
  OpenGLVireo* r = gl_session();
  fresh(0x000000);
  platform::Backend& b = platform::backend();
  platform::Rect area, frame;
  ASSERT_TRUE(b.work_area(r->window_handle, &area));
  screen_mode_apply(r, kW, kH, 0, 0);
  ASSERT_TRUE(b.window_frame(r->window_handle, &frame));
  EXPECT_EQ(frame.x, (area.w - kW) / 2);
  EXPECT_EQ(frame.y, (area.h - kH) / 2);
  int32_t cw = 0, ch = 0;
  ASSERT_TRUE(b.window_client_size(r->window_handle, &cw, &ch));
  EXPECT_EQ(cw, kW);
  EXPECT_EQ(ch, kH);
  EXPECT_TRUE(b.window_visible(r->window_handle));
  EXPECT_EQ(r->is_full_screen, 0);

  // The cursor in client pixels.
  b.cursor_move(r->window_handle, 100, 50);
  int32_t mx = -1, my = -1;
  ASSERT_TRUE(b.cursor_position(r->window_handle, &mx, &my));
  EXPECT_EQ(mx, 100);
  EXPECT_EQ(my, 50);

  // No display mode of 800 x 473 exists: the program stays windowed.
  const size_t before = log_text().size();
  screen_mode_apply(r, kW, 473, 0, 1);
  EXPECT_EQ(r->is_full_screen, 0);
  EXPECT_NE(log_text().find("No Fullscreen Mode available\n", before), std::string::npos);
  EXPECT_TRUE(b.window_visible(r->window_handle));
  ASSERT_TRUE(b.window_client_size(r->window_handle, &cw, &ch));
  EXPECT_EQ(ch, 473);

  window_hide(r);
  EXPECT_FALSE(b.window_visible(r->window_handle));
  EXPECT_EQ(r->is_full_screen, 0);
  screen_mode_apply(r, kW, kH, 0, 0);
  EXPECT_TRUE(b.window_visible(r->window_handle));
  int32_t dw, dh;
  desktop_size_get(&dw, &dh);
  platform::DisplayMode desktop;
  ASSERT_TRUE(b.desktop_mode(&desktop));
  EXPECT_EQ(dw, desktop.width);
  EXPECT_EQ(dh, desktop.height);
}

TEST(Screen, WindowIsRecreatedHiddenWithItsLogLinesAndDrawsAgain) {
  REQUIRE_GL();
  OpenGLVireo* r = gl_session();
  fresh(0x000000);
  solid_sprite(3, 8, 8, 0xFFFFFF);
  window_destroy(r);
  EXPECT_EQ(r->window_handle, nullptr);
  EXPECT_EQ(r->width, 0);
  EXPECT_FALSE(sprite_slot_used(3));

  const size_t before = log_text().size();
  // A second creation with a multisample format when one exists.
  ASSERT_EQ(window_create(r, kW, kH, 0, 30, 1), 0);
  EXPECT_DOUBLE_EQ(r->frame_interval, 1000.0 / 30);
  ASSERT_TRUE(r->gl_ready);
  platform::Backend& b = platform::backend();
  EXPECT_FALSE(b.window_visible(r->window_handle)) << "hidden until placed";
  const std::string log = log_text().substr(before);
  size_t at = 0;
  for (const char* line :
       {"WIN32 init video\n", "get accurate timer - 1st call\n", "flip - 1st call\n", "BGRA ext",
        "Texture size limit: ", "init fbo\n", "2D VP\n", "GL window ready\n"}) {
    at = log.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " missing or out of order in\n" << log;
  }
  // The software-driver warning is given once per process, not again.
  EXPECT_EQ(log.find("*** OpenGL Software Emulation"), std::string::npos);

  screen_mode_apply(r, kW, kH, 0, 0);
  EXPECT_TRUE(b.window_visible(r->window_handle));
  fresh(0x000000);
  solid_sprite(3, 8, 8, 0x00FF00);
  sprite_draw(3, 20, 20);
  EXPECT_PX(22, 22, 0, 255, 0);
  // Back to the usual creation for the tests after this one.
  window_destroy(r);
  ASSERT_EQ(window_create(r, kW, kH, 0, 60, 0), 0);
  screen_mode_apply(r, kW, kH, 0, 0);
}

TEST(Screen, SoftwareDriverNamesAndWhenTheWarningBoxMayShow) {
  EXPECT_TRUE(gl_renderer_is_software("llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(gl_renderer_is_software("softpipe"));
  EXPECT_TRUE(gl_renderer_is_software("Mesa DRI swrast"));
  EXPECT_TRUE(gl_renderer_is_software("Software Rasterizer"));
  EXPECT_TRUE(gl_renderer_is_software("Mesa Windows GDI Driver"));
  EXPECT_FALSE(gl_renderer_is_software("Mesa Windows GDI Driver 2"));
  EXPECT_FALSE(gl_renderer_is_software("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)"));
  EXPECT_FALSE(gl_renderer_is_software("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(gl_renderer_is_software(nullptr));

  // Whatever else holds, these keep the box away.
  REQUIRE_GL();
  setenv("ZRV_NO_DIALOGS", "1", 1);
  EXPECT_FALSE(software_warning_box_allowed());
  unsetenv("ZRV_NO_DIALOGS");
  const char* ci = getenv("CI");
  const std::string ci_saved = ci ? ci : "";
  setenv("CI", "true", 1);
  EXPECT_FALSE(software_warning_box_allowed());
  unsetenv("CI");
  const char* xa = getenv("XAUTHORITY");
  const std::string xa_saved = xa ? xa : "";
  setenv("XAUTHORITY", "/tmp/xvfb-run.AbCdEf/Xauthority", 1);
  EXPECT_FALSE(software_warning_box_allowed());
  setenv("XAUTHORITY", "/home/player/.Xauthority", 1);
  ctx.options.frames = 60;
  EXPECT_FALSE(software_warning_box_allowed());
  ctx.options.frames = 0;
  ctx.options.screenshot_file = "shot.png";
  EXPECT_FALSE(software_warning_box_allowed());
  ctx.options.screenshot_file = RtString();
  const char* display = getenv("DISPLAY");
  const std::string display_saved = display ? display : "";
  const char* wayland = getenv("WAYLAND_DISPLAY");
  const std::string wayland_saved = wayland ? wayland : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_FALSE(software_warning_box_allowed());
  setenv("DISPLAY", ":0", 1);
  EXPECT_TRUE(software_warning_box_allowed()) << "a desktop run with a real display";
  // Restore the environment of the run.
  setenv("ZRV_NO_DIALOGS", "1", 1);
  if (display_saved.empty())
    unsetenv("DISPLAY");
  else
    setenv("DISPLAY", display_saved.c_str(), 1);
  if (!wayland_saved.empty()) setenv("WAYLAND_DISPLAY", wayland_saved.c_str(), 1);
  if (xa_saved.empty())
    unsetenv("XAUTHORITY");
  else
    setenv("XAUTHORITY", xa_saved.c_str(), 1);
  if (!ci_saved.empty()) setenv("CI", ci_saved.c_str(), 1);
}

}  // namespace
}  // namespace gfx_test

namespace gfx_test {
namespace {

using namespace zrv;

// "GLEXT:" answers what the context offers, not whatever name the driver's
// lookup hands a stub for.
TEST(Screen, GlExtensionQueriesAnswerWhatTheContextOffers) {
  REQUIRE_GL();
  EXPECT_EQ(platform_info("GLEXT:glBindTexture"), "1");
  EXPECT_EQ(platform_info("GLEXT:glNoSuchThing"), "0");
  EXPECT_EQ(platform_info("GLEXT:wglSwapIntervalEXT"), "0") << "not this window system's";
  const std::string extensions = reinterpret_cast<const char*>(gl.GetString(GL_EXTENSIONS));
  const bool fbo = extensions.find("GL_EXT_framebuffer_object") != std::string::npos;
  EXPECT_EQ(platform_info("GLEXT:glGenFramebuffersEXT"), fbo ? "1" : "0");
  // A core function of a version beyond the context's.
  int major = 0, minor = 0;
  std::sscanf(reinterpret_cast<const char*>(gl.GetString(GL_VERSION)), "%d.%d", &major, &minor);
  if (major * 10 + minor < 46) {
    EXPECT_EQ(platform_info("GLEXT:glSpecializeShader"), "0");
  }
  EXPECT_EQ(platform_info("GLEXT:glCreateShader"), major >= 2 ? "1" : "0");
}

}  // namespace
}  // namespace gfx_test
