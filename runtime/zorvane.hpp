// Zorvane: the runtime a game is built on. Everything is in namespace zrv.
//
// A game defines, in the global namespace, the three things below, links
// zorvane::runtime (which supplies main) and calls present_frame once per
// frame. Slots (sprites, sounds, fonts, file channels) are plain numbers the
// game chooses; the free-slot queries of sprites and sounds search from the
// highest number down, file_free_channel from 0 up. Colours are 0x00BBGGRR
// (red in the low byte; -1 = none). Positions are screen pixels from the top
// left, angles degrees. Keys are scan codes, named in zrv::key (key::Space is
// 57, key::Left 203). A failing command sets ctx.last_error, prints "error:
// <hex code>" (3 no such file, 7 out of range or memory, 9 out of bounds) and
// says why on standard error ("sprite_load: 'x.png': no such file"); the
// program goes on unless the failure is fatal. The program runs in its own
// folder (relative names start there). docs/api.md is the full reference.
#pragma once

#include <cstdint>

#include "base/context.hpp"     // RtContext ctx: settings, state, UserFunction
#include "base/rt_string.hpp"   // RtString: the byte string of the runtime
#include "input/key_codes.hpp"  // zrv::key::Space, Left, A, F1, ...: the key codes
#include "types/data_list.hpp"  // DataList: the game's embedded data
#include "types/rt_array.hpp"   // RtArray<T>: bounds-checked arrays of up to 4 dimensions

void app_defaults();                              // write zrv::ctx's settings here
void game_main();                                 // the game; never needs to return
extern const zrv::UserFunction user_functions[];  // functions by name; ends with {nullptr, nullptr}

namespace zrv {

// --- Program and frame -----------------------------------------------------
void present_frame();                           // end the frame: input, quit keys, swap, pacing
void frame_rate_set(double fps, int32_t sync);  // frames per second (0: 500); sync with the display
double timer_elapsed_ms();                      // milliseconds since the clock started
double timer_game_ms();                         // milliseconds since the game started
double timer_frame_ms();                        // milliseconds between the last two frames
void sleep_ms(int32_t ms);                      // block (a termination signal cuts it short)
void app_set_autopause(int32_t flag);           // pause while the window is inactive (default 1)
void app_set_escape_quits(int32_t flag);        // Escape ends the program (default 1)
void app_set_stats_key(int32_t flag);           // F12 shows the frame-time overlay (default 0)
void stats_overlay_show(int32_t flag);          // the overlay on (1) or off (0), as --stats
const RtString& command_line();                 // the whole command line
const RtString& app_name();                     // ctx.app_name
void program_end();                  // orderly end: quit callback, shutdown, "exit", status 0
void end_statement();                // the language's end: program_end without an error
int32_t error_report(int32_t code);  // set ctx.last_error and print "error: <hex>"
RtString runtime_error_text();       // "%.4d %s" of ctx.last_error and its message
RtString runtime_error_reason();  // the last error in words ("sprite_load: 'x.png': no such file")
void set_source_position(int32_t module, int32_t line);  // for programs built with tracing
void debug_assert(int32_t value);                        // value 0: error 21 and program_end
int32_t debug_break(int32_t value);          // a break point while a debugger is attached
void debug_print(const char* text);          // "TX" + text to stderr while a debugger is attached
void console_print(const char* text);        // to standard output, flushed
void console_print_error(const char* text);  // to standard error, flushed
void console_print(const RtString& text);    // every byte, a zero byte too
void console_print_error(const RtString& text);
void log_write(const char* text);  // append to the run's ErrorLog.txt (README: where)
UserRoutine user_function_find(const RtString& name);  // a function of user_functions, or null
int32_t user_function_call(const RtString& name);      // call it by name: 1 when found
void loop_function_run(const RtString& name);          // run (or switch to) a loop function by name

// --- Strings (RtString converts from and to numbers and C strings) ---------
RtString str_mid(const RtString& text, int32_t start,
                 int32_t count);                             // 0-based; count < 0: to the end
int32_t str_asc(const RtString& text);                       // first byte, 0 for ""
int32_t str_asc_at(const RtString& text, int32_t position);  // byte at position, 0 outside
RtString str_chr(int32_t code);                              // a one-byte text
RtString str_trim_left(const RtString& text, const RtString& set);   // drop leading bytes of set
RtString str_trim_right(const RtString& text, const RtString& set);  // drop trailing bytes of set
RtString str_upper(const RtString& text);                            // ASCII letters only
RtString str_lower(const RtString& text);
void str_upper_in_place(RtString& text);
void str_lower_in_place(RtString& text);
int32_t str_find(const RtString& text, const RtString& pattern, int32_t start);  // index or -1
int32_t str_find_last(const RtString& text, const RtString& pattern, int32_t start);
RtString str_replace(const RtString& text, const RtString& pattern, const RtString& replacement);
RtString str_url_encode(const RtString& text);
RtString str_url_decode(const RtString& text);
void str_utf8_to_latin1(RtString& text);                                  // in place
RtString str_hex_bytes(const void* bytes, int32_t count, int32_t upper);  // two digits a byte
RtString str_hex_int(int32_t value);                                      // lower-case hex
RtString str_format_number(double width, double decimals, double value);  // right-aligned
double str_to_float(const RtString& text);                                // atof rules
int32_t str_to_int(const RtString& text);                                 // atoi rules, saturating
int32_t str_len_of_number(double value);                                  // the length of its text
int32_t str_len_of_number(int32_t value);                                 // the digits and the sign
RtString str_format_number(double width, double decimals, int32_t value);  // decimals unused
RtString str_format_number(double width, double decimals, int64_t value);  // decimals unused
void data_restore(DataList& list);  // make the list current and rewind it
void data_read(int32_t& value);     // the next item (error 20 after the last)
void data_read(double& value);
void data_read(RtString& value);

// --- Arrays (RtArray<T> a; a(i, j) is bounds-checked: error 9 ends) -------
// array_dim(a, d0, d1, d2, d3)      dimension anew, elements reset
// array_redim(a, d0, d1, d2, d3)    dimension anew, elements kept where they fit
// array_push(a, value)              append to a one-dimensional array
// array_delete(a, i)                remove element i, the rest moves down
// array_bounds(a, d)                the size of dimension d (0..3)

// --- Maths and random numbers (angles in degrees) --------------------------
double math_sin(double degrees);
double math_cos(double degrees);
double math_tan(double degrees);
double math_atan2(double y, double x);
double math_asin(double x);  // x outside -1..1 clamps to +-90
double math_acos(double x);  // x outside -1..1 clamps to 0 / 180
double math_sqrt(double x);
double math_pow(double base, double exponent);
double math_log(double x);
double math_floor(double x);
double math_ceil(double x);
double math_fmod(double x, double y);        // 0 when y is 0; the sign follows x
int32_t math_mod_int(int32_t a, int32_t b);  // 0 when b is 0; the sign follows a
double math_max(double a, double b);
int32_t math_max(int32_t a, int32_t b);
int32_t math_max(int32_t a, double x);  // x truncated toward zero first
double math_min(double a, double b);
int32_t math_min(int32_t a, int32_t b);
int32_t random_int(int32_t n);       // 0 .. n, both included (0 for n <= 0)
uint32_t random_seed(int32_t seed);  // the same seed gives the same numbers (--seed N)
uint32_t random_next();              // the next raw 32-bit number

// --- Colours (0x00BBGGRR: red in the low byte) -----------------------------
constexpr int32_t rgb(int32_t r, int32_t g, int32_t b) {  // each 0..255
  return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}
namespace color {
constexpr int32_t Black = rgb(0, 0, 0), White = rgb(255, 255, 255), Grey = rgb(128, 128, 128);
constexpr int32_t Red = rgb(255, 0, 0), Green = rgb(0, 255, 0), Blue = rgb(0, 0, 255);
constexpr int32_t Yellow = rgb(255, 255, 0), Cyan = rgb(0, 255, 255), Magenta = rgb(255, 0, 255);
constexpr int32_t None = -1;       // no colour (screen_clear: no clearing)
constexpr int32_t Key = 0x8000FF;  // the default colour key (red 255, blue 128)
}  // namespace color

// --- Screen ----------------------------------------------------------------
void screen_setup(int32_t width, int32_t height, int32_t full_screen);  // the play field; 5 frames
void screen_logical_set(double width, double height);  // a logical screen scaled into the window
void screen_orientation_set(int32_t n);                // quarter turns 0..3
int32_t screen_orientation_get();
void screen_size_get(int32_t* width, int32_t* height);
void desktop_size_get(int32_t* width, int32_t* height);
void viewport_set(int32_t x, int32_t y, int32_t w, int32_t h);  // drawing limited to a box
void viewport_get(int32_t* x, int32_t* y, int32_t* w, int32_t* h);
void screen_clear(int32_t color);            // the clear colour of every frame, -1: no clearing
void background_load(const RtString& file);  // a picture drawn behind every frame
void background_grab();                      // the screen as it is becomes that picture
bool screen_save(const RtString& file);      // PNG, JPEG (.jpg) or BMP by the name's ending

// --- Sprites (slots 0..65503; free slots are searched from the top) --------
void sprite_load(const RtString& file, int32_t id);  // BMP, PNG or JPEG; error 3 when missing
void sprite_load_sheet(const RtString& file, int32_t id, int32_t frame_width, int32_t frame_height);
void sprite_load_normal_map(const RtString& file, int32_t id);  // blue as heights: the normals
uint32_t sprite_texture_get(int32_t id);  // the slot's OpenGL texture, 0 for none
void sprite_set_frames(int32_t id, int32_t frame_width, int32_t frame_height);
void sprite_size_get(int32_t id, int32_t* width, int32_t* height);
int32_t sprite_free_get();  // the highest free slot
bool sprite_slot_used(int32_t id);
void sprite_delete_all();           // every slot, the font sheets too
void color_key_set(int32_t color);  // the colour that loaded pictures make transparent
void sprite_grab(int32_t id, int32_t x, int32_t y, int32_t width,
                 int32_t height);  // from the screen
bool sprite_save(int32_t id, const RtString& file);
bool sprite_from_array(RtArray<int32_t>& pixels, int32_t id, int32_t width, int32_t height);
bool sprite_to_array(RtArray<int32_t>& pixels, int32_t id);
bool image_file_to_array(const RtString& file, int32_t* width, int32_t* height,
                         RtArray<int32_t>& pixels);
void texture_backup(int32_t restore);  // keep the textures in a file (0), load them again (1)

// --- Drawing ---------------------------------------------------------------
void sprite_draw(int32_t id, int32_t x, int32_t y);
void sprite_draw_stretched(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h);
void sprite_draw_zoomed(int32_t id, int32_t x, int32_t y, double zoom_x, double zoom_y);
void sprite_draw_rotated(int32_t id, int32_t x, int32_t y, double angle);  // about its centre
void sprite_draw_rotozoom(int32_t id, int32_t x, int32_t y, double angle, double zoom);
void sprite_draw_frame(int32_t id, int32_t frame, int32_t x, int32_t y);  // a frame of a sheet
void sprite_draw_frame_stretched(int32_t id, int32_t frame, int32_t x, int32_t y, int32_t w,
                                 int32_t h);
void sprite_draw_frame_rotozoom(int32_t id, int32_t frame, int32_t x, int32_t y, double angle,
                                double zoom);
void rect_fill(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color);
void pixel_set(int32_t x, int32_t y, int32_t color);
int32_t pixel_get(int32_t x, int32_t y);  // 0x00BBGGRR
void line_draw(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color);
void line_draw_thick(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t thickness,
                     int32_t color);                                        // square ends
void rect_draw(int32_t x, int32_t y, int32_t w, int32_t h, int32_t color);  // a 1-pixel border
void circle_fill(int32_t x, int32_t y, int32_t radius, int32_t color);      // centred on (x, y)
void circle_draw(int32_t x, int32_t y, int32_t radius, int32_t color);      // a 1-pixel outline
void ellipse_fill(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t color);
void ellipse_draw(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t color);
void sprite_tint_set(int32_t color, int32_t alpha = 255);  // sprites times colour; White, 255: none
void blend_alpha(double value);         // -1 normal, -0.5 half transparent, 0 opaque, 1 additive
void alpha_test_set(double threshold);  // texels with alpha <= threshold are not drawn (1: off)
void smooth_set(int32_t flag);          // linear (1) or nearest (0) filtering
void poly_start(int32_t id,
                int32_t mode);  // textured (id) or coloured (-1); 0 fan, 1 triangles, 2 strip
void poly_vertex(double x, double y, double tx, double ty, int32_t color);
void poly_new_strip();
void poly_end();  // draws the vertices collected since poly_start
bool sprite_collision(int32_t id1, int32_t x1, int32_t y1, int32_t id2, int32_t x2, int32_t y2);
bool sprite_frame_collision(int32_t id1, int32_t frame1, int32_t x1, int32_t y1, int32_t id2,
                            int32_t frame2, int32_t x2, int32_t y2);
void target_create(int32_t index, int32_t id, int32_t width,
                   int32_t height);  // drawing into sprite id
void target_use(int32_t index);      // -1: the screen again
int32_t target_free_get();

// --- Text and fonts (32 fonts; font 0 is built in) -------------------------
void font_load(const RtString& file, int32_t f);  // a sheet of 16 x 8 (or 16 x 16) glyphs
void font_set(int32_t f, double scale);
int32_t font_get();
int32_t font_free_get();
void font_glyph_size(int32_t* width, int32_t* height);
void text_print(const RtString& text, double x, double y, int32_t proportional);
int32_t text_width(const RtString& text, int32_t proportional);
void text_color_set(int32_t color);  // the colour text_print draws in (default White)

// --- Sound: effects in slots 0..4095, music and video ----------------------
void sound_load(const RtString& file, int32_t slot,
                int32_t buffers);                             // WAV; 1..4 overlapping plays
int32_t sound_play(int32_t slot, double pan, double volume);  // pan -1..1, volume 0..1: a channel
void sound_stop(int32_t channel);
void sound_stop_all();
int32_t sound_is_playing(int32_t channel);
int32_t sound_free_slot();
void music_play(const RtString& name, int32_t loop);  // one track at a time
void music_stop();
void music_restart();
int32_t music_is_playing();
void music_pause(int32_t flag);            // 1 pause, 0 resume
void music_volume(double volume);          // 1 = normal
int32_t video_play(const RtString& name);  // until it ends, a key or a click: 0, or 3 (not found)
int32_t video_play_loop(const RtString& name);

// --- Keyboard --------------------------------------------------------------
int32_t key_down(int32_t code);      // 1 while the key is down
RtString key_char();                 // the oldest typed character, "" when none
int32_t key_to_char(int32_t code);   // the character the key gives on this layout, 0 none
int32_t key_pressed(int32_t code);   // 1 in the frame after it went down (taps too)
int32_t key_released(int32_t code);  // 1 in the frame after it went up
void key_wait();                     // until a key is typed
void input_line(RtString& text, int32_t x, int32_t y,
                int32_t flag);  // edit text on screen until Enter
void input_line_int(int32_t& out, int32_t x, int32_t y, int32_t flag);

// --- Mouse, touch and joysticks --------------------------------------------
void mouse_state(int32_t& x, int32_t& y, int32_t& left,
                 int32_t& right);        // screen position, buttons
int32_t mouse_axis(int32_t kind);        // 0 dx, 1 dy, 2 wheel, 3 left, 4 right, 5 middle
int32_t mouse_pressed(int32_t button);   // 0 left, 1 right, 2 middle; as key_pressed
int32_t mouse_released(int32_t button);  // as key_released
int32_t mouse_count();                   // 32 with touch pointers, else 1
void mouse_select(int32_t index);
void mouse_pointer_show(double flag);  // 1 the system cursor, 0 exclusive and hidden
void mouse_set_position(int32_t x, int32_t y);
void mouse_wait();                                                                // until a click
void joystick_state(int32_t& x, int32_t& y, int32_t& button1, int32_t& button2);  // joystick 0
double joy_x(int32_t index);                                                      // -1..1
double joy_y(int32_t index);
double joy_z(int32_t index);
double joy_rx(int32_t index);
double joy_ry(int32_t index);
double joy_rz(int32_t index);
int32_t joy_hat_x(int32_t index);  // -1, 0 or 1
int32_t joy_hat_y(int32_t index);
int32_t joy_button(int32_t index, int32_t button);  // buttons 0..31
RtString joy_name(int32_t index);
int32_t joy_count();
void joy_rumble(int32_t index, double duration, double x, double y);  // ms, strength -1..1
namespace pad {  // gamepad buttons and axes by name
constexpr int32_t A = 0, B = 1, X = 2, Y = 3, Back = 4, Guide = 5, Start = 6, LeftStick = 7;
constexpr int32_t RightStick = 8, LeftShoulder = 9, RightShoulder = 10;
constexpr int32_t Up = 11, Down = 12, Left = 13, Right = 14;  // the D-pad
constexpr int32_t LeftX = 0, LeftY = 1, RightX = 2, RightY = 3, LeftTrigger = 4, RightTrigger = 5;
}  // namespace pad
int32_t pad_count();                   // gamepads plugged in now
int32_t pad_connected(int32_t index);  // 1 while slot index (0..7) has a gamepad
RtString pad_name(int32_t index);      // from the controller database; "" for an empty slot
int32_t pad_button(int32_t index, int32_t button);  // 1 while down (pad::A ..)
double pad_axis(int32_t index, int32_t axis);       // sticks -1..1 (y down positive), triggers 0..1

// --- Files (names use "/"; reads find entries of the program's archive too) -
int32_t file_exists(const char* name);
int32_t file_exists(const RtString& name);  // a name with a zero byte: 0
RtString save_folder();  // the game's folder for saved files, ends with "/" (README: where)
double dir_set_current(const char* path);  // 1.0, or 0.0 and error 3
RtString dir_get_current();                // ends with "/"
int32_t file_open(uint32_t channel, const RtString& name,
                  int32_t mode);  // 0..7; 1 read, 0 write, -1 append
void file_close(uint32_t channel);
int32_t file_free_channel();
void file_seek(uint32_t channel, int64_t offset, int32_t origin);  // origin -1 end, 0 start, 1 here
int64_t file_position(uint32_t channel);
int32_t file_at_end(uint32_t channel);
void file_write_line(uint32_t channel, const RtString& text);  // the text, then CR LF
void file_write_string(uint32_t channel, const RtString& text);
void file_write_float(uint32_t channel, double value);
void file_write_double(uint32_t channel, double value);
void file_write_u32(uint32_t channel, int32_t value);
void file_write_u16(uint32_t channel, int32_t value);
void file_write_u8(uint32_t channel, int32_t value);
void file_write_i32(uint32_t channel, int32_t value);
void file_write_i16(uint32_t channel, int32_t value);
void file_write_i8(uint32_t channel, int32_t value);
void file_read_line(uint32_t channel, RtString& out);  // past the end: error 3, and the end
void file_read_line_int(uint32_t channel, int32_t& out);
void file_read_line_number(uint32_t channel, double& out);
void file_read_string(uint32_t channel, RtString& out, int32_t count);
void file_read_float(uint32_t channel, double& out);
void file_read_double(uint32_t channel, double& out);
void file_read_u32(uint32_t channel, int32_t& out);
void file_read_u16(uint32_t channel, int32_t& out);
void file_read_u8(uint32_t channel, int32_t& out);
void file_read_i32(uint32_t channel, int32_t& out);
void file_read_i16(uint32_t channel, int32_t& out);
void file_read_i8(uint32_t channel, int32_t& out);
int32_t file_is_directory(const RtString& name);
int32_t file_delete(const RtString& name);
int32_t dir_create(const RtString& name);
void file_copy(const RtString& source, const RtString& destination);
int64_t file_size(const RtString& name);
RtString file_time(const RtString& name);
double dir_list(const RtString& pattern, RtArray<RtString>& out);  // folders, then files matching *
RtString env_get(const RtString& name);
void env_set(const RtString& name, const RtString& value);
void ini_open(const RtString& name);  // one INI file at a time, written back when changed
RtString ini_get(const RtString& section, const RtString& key, const RtString& default_value);
void ini_put(const RtString& section, const RtString& key, const RtString& value);  // "" removes
void line_file_read(const RtString& file, double number, RtString& out);  // or "NO_FILE", "NO_DATA"
void line_file_read_int(const RtString& file, double number, int32_t& out);
void line_file_read_number(const RtString& file, double number, double& out);
void line_file_write(const RtString& file, double number, const RtString& text);  // lines 0..255
void line_file_write_number(const RtString& file, double number, double value);
RtString platform_info(const RtString& key);  // "" the system, "APPDATA", "TEMP", "DPI", ...
void platform_info_set_build(const char* stamp, const char* project_id, const char* version);

// --- Network (socket slots 0..1023, non-blocking) --------------------------
int32_t net_start();
void net_stop();
void net_set_family(int32_t n);                           // 4 or 6
int32_t tcp_listen(int32_t port);                         // a slot, or -1
int32_t tcp_accept(int32_t listener, RtString& address);  // a slot, or -1 when none waits
int32_t tcp_connect(const RtString& host, int32_t port, int32_t time_out_ms);
int32_t udp_open(int32_t port);                        // port 0: any
int32_t net_send(int32_t slot, const RtString& text);  // bytes sent (gives up after 2 s), -1
int32_t udp_send_to(int32_t slot, const RtString& text, const RtString& address, int32_t port);
int32_t net_receive(int32_t slot, RtString& text, int32_t max_bytes);  // n, 0 closed, -2 none, -1
int32_t net_close(int32_t slot);
void net_set_blocking(int32_t slot, int32_t flag);
RtString net_resolve(const RtString& host);          // raw address bytes ("" for this machine)
RtString net_address_text(const RtString& address);  // dotted or IPv6 text
RtString net_peer_address(int32_t slot);
int32_t net_peer_port(int32_t slot);
RtString net_local_addresses();  // "a|b|...", loopback last
int32_t net_last_error();
RtString net_error_text();

// --- Path finding on a cost grid (cells <= 0 are blocked) ------------------
int32_t path_find(const RtArray<double>& map, RtArray<int32_t>& result, double weight, int32_t x1,
                  int32_t y1, int32_t x2, int32_t y2);  // the number of points; rows (x, y)
int32_t path_find_to_reals(const RtArray<double>& map, RtArray<double>& result, double weight,
                           int32_t x1, int32_t y1, int32_t x2, int32_t y2);
int32_t path_find_on_ints(const RtArray<int32_t>& map, RtArray<int32_t>& result, double weight,
                          int32_t x1, int32_t y1, int32_t x2, int32_t y2);

}  // namespace zrv
