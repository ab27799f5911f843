// The pointing devices, game controllers and the media player of the window
// system: the mouse and touch input and the joysticks through SDL, music and
// video through libmpv. The input and sound modules keep the runtime's
// records and rules; these functions only talk to the libraries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zrv {
struct NativeWindow;
}  // namespace zrv

namespace zrv::platform {

using Window = ::zrv::NativeWindow;

// --- Mouse ---------------------------------------------------------------

// Whether the window system has a mouse to open (false without a display).
bool mouse_device_available();
// Opens the mouse device for the window: wheel steps and pointer messages
// start to be collected. False when there is no mouse.
bool mouse_device_open(Window* window);
void mouse_device_close();
bool mouse_device_is_open();
// Exclusive access: the device delivers relative motion and the cursor is
// hidden and held by the window (SDL relative mode). Shared access: the
// cursor moves freely. False when the access could not be set.
bool mouse_device_acquire(bool exclusive);
void mouse_device_unacquire();
// Whether the device currently holds the access asked for last.
bool mouse_device_acquired();

struct MouseDeviceState {
  int32_t dx = 0, dy = 0;   // relative motion since the last read
  int32_t dz = 0;           // wheel steps since the last read (positive: away from the user)
  uint8_t buttons[4] = {};  // 0x80 = down: left, right, middle, fourth
};
// Reads the device: the motion and wheel steps collected since the last read
// (taken), and the buttons. False when the device is not acquired.
bool mouse_device_read(MouseDeviceState* state);
// Buttons as the window system sees them right now, without waiting for
// messages: bit 0 left, bit 1 right, bit 2 middle.
uint32_t mouse_async_buttons();
// The cursor's position in the window's client pixels, asked of the window
// system right now (negative or beyond the size outside the window). False
// when it cannot be asked.
bool cursor_client_position(Window* window, int32_t* x, int32_t* y);

// Number of touch devices the window system reports.
int32_t touch_device_count();
// The kernel's major and minor version (for the log).
void os_version(int32_t* major, int32_t* minor);

// A pointer message: kind -1 up, 0 update, 1 down; id never 0; flags as the
// pointer flags of the runtime (0x10 first, 0x20 second, 0x40 third button
// down); x, y in client pixels of the window.
struct PointerInfo {
  uint32_t flags = 0;
  int32_t x = 0, y = 0;
};
using PointerSink = void (*)(int32_t kind, int32_t id, const PointerInfo& info);
// Where touch contacts and the mouse, as pointers, are delivered. The mouse
// takes pointer id 1, touch contacts ids from 2 on.
void pointer_sink_set(PointerSink sink);
// Handles one SDL event (a const SDL_Event*): wheel steps, touch contacts
// and mouse pointer messages. The device calls it for every event the
// window system queues; it is public so that a backend without SDL's event
// watch can hand events over itself.
void mouse_sdl_event(const void* sdl_event);

// --- Joysticks -------------------------------------------------------------

// One read of a controller: six axes X, Y, Z, Rx, Ry, Rz from -32768 to
// 32768, two sliders, four hats in hundredths of a degree clockwise from
// "up" (0xFFFFFFFF = centred), 32 buttons (0x80 = down).
struct JoystickState {
  int32_t axes[6] = {};
  int32_t sliders[2] = {};
  uint32_t hats[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  uint8_t buttons[32] = {};
};

struct JoystickDevice;
// Number of attached controllers (opens the controller subsystem).
int32_t joystick_device_count();
// Opens controller i; null on failure. name: instance and product name.
JoystickDevice* joystick_device_open(int32_t index, std::string* name);
void joystick_device_close(JoystickDevice* device);
// Reads the controller now. False (state untouched) when it cannot be read.
bool joystick_device_read(JoystickDevice* device, JoystickState* state);
bool joystick_device_has_rumble(JoystickDevice* device);
// Both motors at strength 0..65535 for ms milliseconds.
bool joystick_device_rumble(JoystickDevice* device, uint16_t strength, uint32_t ms);
// Releases the controller subsystem once no device is open.
void joystick_devices_release();

// Hat position (SDL_HAT_* bits) in hundredths of a degree, 0xFFFFFFFF centred.
uint32_t joystick_hat_to_angle(uint8_t hat_bits);
// Axis value of the window system (-32768..32767) on -32768..32768.
int32_t joystick_axis_scale(int16_t value);

// --- Media player ------------------------------------------------------------

struct MediaPlayer;

// The audio output the player uses ("null" for none, "" for the library's
// choice); process-wide, read when a player is opened.
void media_audio_output_set(const char* name);
const char* media_audio_output();

// Opens a file (or bytes in memory, which the player holds until it is
// closed) for playback, paused at its start. Audio only, or video drawn
// through media_render_frame (then a current OpenGL context is needed, and
// its get_proc_address). Returns null only when no player could be made; a
// file that cannot be played gives a player that is not loaded.
using GlProcLookup = void* (*)(const char* name);
MediaPlayer* media_open(const char* path, bool video, GlProcLookup gl_lookup);
MediaPlayer* media_open_memory(std::shared_ptr<const uint8_t> data, size_t length, bool video,
                               GlProcLookup gl_lookup);
void media_close(MediaPlayer* player);
// The file could be opened and has something to play.
bool media_loaded(MediaPlayer* player);
// Length and position in milliseconds (0 when unknown); at the end of the
// file the position equals the length.
double media_length_ms(MediaPlayer* player);
double media_position_ms(MediaPlayer* player);
void media_play(MediaPlayer* player);
void media_pause(MediaPlayer* player);
void media_seek_start(MediaPlayer* player);
void media_stop(MediaPlayer* player);
bool media_paused(MediaPlayer* player);
// Volume in the player's units, 1000 = normal (0..2000).
void media_set_volume(MediaPlayer* player, int32_t units);
int32_t media_volume(MediaPlayer* player);
// Size of the video's picture (display aspect applied); false without video.
bool media_video_size(MediaPlayer* player, int32_t* width, int32_t* height);
// Video: whether a new picture waits to be drawn, and drawing it into the
// frame buffer object fbo (0 = the window) of w x h pixels, bottom row first.
bool media_frame_pending(MediaPlayer* player);
bool media_render_frame(MediaPlayer* player, uint32_t fbo, int32_t w, int32_t h);
void media_frame_shown(MediaPlayer* player);
// Handles the player's pending notifications (call now and then).
void media_service(MediaPlayer* player);

}  // namespace zrv::platform
