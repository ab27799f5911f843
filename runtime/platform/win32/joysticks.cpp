// Game controllers on Windows: XInput for the Xbox kind, WinMM's joystick
// calls for every other. XInput's DLL is looked up at run time, so that a
// system without it still starts (with WinMM's controllers only).
#include "platform/joysticks.hpp"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which they need.
#include <mmsystem.h>
#include <xinput.h>

#include <cctype>
#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/pad_mapping.hpp"
#include "platform/win32/text.hpp"
#include "platform/win32/window_system.hpp"

namespace zrv::platform {

namespace {

using XInputGetStateFn = DWORD(WINAPI*)(DWORD user, XINPUT_STATE* state);
using XInputSetStateFn = DWORD(WINAPI*)(DWORD user, XINPUT_VIBRATION* vibration);
using XInputGetCapabilitiesFn = DWORD(WINAPI*)(DWORD user, DWORD flags,
                                               XINPUT_CAPABILITIES* capabilities);

// XInputGetStateEx (ordinal 100 of xinput1_3 and xinput1_4) fills the
// guide button too; some versions write one more word than XINPUT_STATE.
struct XInputStateEx {
  XINPUT_STATE state;
  DWORD reserved;
};

struct XInputCalls {
  HMODULE module = nullptr;
  XInputGetStateFn get_state = nullptr;
  XInputSetStateFn set_state = nullptr;
  XInputGetCapabilitiesFn get_capabilities = nullptr;
};

// Reads XInput user `user` into the layout the mappings take; false when
// it does not answer.
bool xinput_read(const XInputCalls& calls, DWORD user, win32::XInputPad* pad) {
  if (calls.get_state == nullptr) return false;
  XInputStateEx s = {};
  if (calls.get_state(user, &s.state) != ERROR_SUCCESS) return false;
  const XINPUT_GAMEPAD& g = s.state.Gamepad;
  pad->buttons = g.wButtons;
  pad->left_trigger = g.bLeftTrigger;
  pad->right_trigger = g.bRightTrigger;
  pad->thumb_lx = g.sThumbLX;
  pad->thumb_ly = g.sThumbLY;
  pad->thumb_rx = g.sThumbRX;
  pad->thumb_ry = g.sThumbRY;
  return true;
}

}  // namespace

struct JoystickDevice {
  bool xinput = false;
  UINT id = 0;  // XInput user index, or WinMM joystick id
  win32::WinmmCaps caps;
  bool pov_continuous = false;
  // Rumble: the motors stop at rumble_end (GetTickCount64), by the timer.
  bool motors = false;
  XInputSetStateFn set_state = nullptr;
  std::mutex mutex;
  ULONGLONG rumble_end = 0;
  bool rumbling = false;
  PTP_TIMER timer = nullptr;
};

namespace {

constexpr UINT kXInputUsers = 4;

// A controller found by the last count().
struct Found {
  bool xinput = false;
  UINT id = 0;
  bool motors = false;
  std::string name;
};

// Xbox controllers by the names Windows and Linux's drivers give them.
bool looks_xinput(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* word : {"xbox", "x-box", "xinput"}) {
    if (name.find(word) != std::string::npos) return true;
  }
  return false;
}

// The name a WinMM controller was installed with: JOYCAPS only says
// "Microsoft PC-joystick driver" on Windows; the device's own name is kept
// under its OEM key in the registry.
std::string winmm_oem_name(UINT id, const JOYCAPSW& caps) {
  const std::wstring settings = std::wstring(
                                    L"System\\CurrentControlSet\\Control\\MediaResources\\"
                                    L"Joystick\\") +
                                caps.szRegKey + L"\\CurrentJoystickSettings";
  const std::wstring value = L"Joystick" + std::to_wstring(id + 1) + L"OEMName";
  wchar_t oem[256];
  DWORD size = sizeof oem;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, settings.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, oem,
                   &size) != ERROR_SUCCESS) {
    size = sizeof oem;
    if (RegGetValueW(HKEY_CURRENT_USER, settings.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                     oem, &size) != ERROR_SUCCESS) {
      return {};
    }
  }
  const std::wstring key = std::wstring(
                               L"System\\CurrentControlSet\\Control\\MediaProperties\\"
                               L"PrivateProperties\\Joystick\\OEM\\") +
                           oem;
  wchar_t name[256];
  size = sizeof name;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"OEMName", RRF_RT_REG_SZ, nullptr, name,
                   &size) != ERROR_SUCCESS) {
    return {};
  }
  return win32::narrow_text(name, wcslen(name));
}

win32::WinmmCaps caps_of(const JOYCAPSW& c) {
  win32::WinmmCaps m;
  m.x = {c.wXmin, c.wXmax};
  m.y = {c.wYmin, c.wYmax};
  m.z = {c.wZmin, c.wZmax};
  m.r = {c.wRmin, c.wRmax};
  m.u = {c.wUmin, c.wUmax};
  m.v = {c.wVmin, c.wVmax};
  m.caps = c.wCaps;
  m.buttons = c.wNumButtons;
  return m;
}

void CALLBACK rumble_timer(PTP_CALLBACK_INSTANCE, void* context, PTP_TIMER) {
  auto* device = static_cast<JoystickDevice*>(context);
  std::lock_guard<std::mutex> hold(device->mutex);
  // A later rumble may have moved the end; its own due time comes then.
  if (!device->rumbling || GetTickCount64() < device->rumble_end) return;
  XINPUT_VIBRATION off = {};
  device->set_state(device->id, &off);
  device->rumbling = false;
}

class Win32Joysticks final : public Joysticks {
 public:
  ~Win32Joysticks() override {
    if (xinput_.module) FreeLibrary(xinput_.module);
  }

  int32_t count() override {
    scan();
    return static_cast<int32_t>(found_.size());
  }

  JoystickDevice* open(int32_t index, std::string* name) override {
    if (found_.empty()) scan();
    if (index < 0 || static_cast<size_t>(index) >= found_.size()) return nullptr;
    const Found& f = found_[static_cast<size_t>(index)];
    auto device = std::make_unique<JoystickDevice>();
    device->xinput = f.xinput;
    device->id = f.id;
    if (f.xinput) {
      device->set_state = xinput_.set_state;
      device->motors = f.motors && xinput_.set_state != nullptr;
    } else {
      JOYCAPSW caps;
      if (joyGetDevCapsW(f.id, &caps, sizeof caps) != JOYERR_NOERROR) return nullptr;
      device->caps = caps_of(caps);
      device->pov_continuous = (caps.wCaps & JOYCAPS_POVCTS) != 0;
    }
    if (name) *name = f.name;
    ++open_devices_;
    return device.release();
  }

  void close(JoystickDevice* device) override {
    if (device == nullptr) return;
    if (device->timer) {
      SetThreadpoolTimer(device->timer, nullptr, 0, 0);
      WaitForThreadpoolTimerCallbacks(device->timer, TRUE);
      CloseThreadpoolTimer(device->timer);
    }
    if (device->rumbling) {
      XINPUT_VIBRATION off = {};
      device->set_state(device->id, &off);
    }
    delete device;
    --open_devices_;
  }

  bool read(JoystickDevice* device, JoystickState* state) override {
    if (device == nullptr) return false;
    if (device->xinput) {
      win32::XInputPad pad;
      if (!xinput_read(xinput_, device->id, &pad)) return false;
      *state = win32::joystick_state_from_xinput(pad);
      return true;
    }
    JOYINFOEX info = {};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL | (device->pov_continuous ? JOY_RETURNPOVCTS : 0);
    if (joyGetPosEx(device->id, &info) != JOYERR_NOERROR) return false;
    win32::WinmmPosition p;
    p.x = info.dwXpos;
    p.y = info.dwYpos;
    p.z = info.dwZpos;
    p.r = info.dwRpos;
    p.u = info.dwUpos;
    p.v = info.dwVpos;
    p.buttons = info.dwButtons;
    p.pov = info.dwPOV;
    *state = win32::joystick_state_from_winmm(p, device->caps);
    return true;
  }

  bool has_rumble(JoystickDevice* device) override { return device != nullptr && device->motors; }

  bool rumble(JoystickDevice* device, uint16_t strength, uint32_t ms) override {
    if (!has_rumble(device)) return false;
    if (device->timer == nullptr) {
      device->timer = CreateThreadpoolTimer(rumble_timer, device, nullptr);
      if (device->timer == nullptr) return false;
    }
    {
      std::lock_guard<std::mutex> hold(device->mutex);
      const bool on = strength != 0 && ms != 0;
      XINPUT_VIBRATION v = {};
      v.wLeftMotorSpeed = on ? strength : 0;
      v.wRightMotorSpeed = v.wLeftMotorSpeed;
      if (device->set_state(device->id, &v) != ERROR_SUCCESS) return false;
      device->rumbling = on;
      device->rumble_end = GetTickCount64() + ms;
      if (!on) return true;
    }
    // Relative due times are negative, in 100 ns units.
    const LONGLONG due = -static_cast<LONGLONG>(ms) * 10000;
    FILETIME when;
    when.dwLowDateTime = static_cast<DWORD>(due & 0xFFFFFFFF);
    when.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(due) >> 32);
    SetThreadpoolTimer(device->timer, &when, 0, 0);
    return true;
  }

  // The gamepads are XInput's: the user index is the id, and one that is
  // unplugged stops answering.
  void pads(std::vector<PadSeen>* seen) override {
    seen->clear();
    load_xinput();
    if (xinput_.get_state == nullptr) return;
    for (UINT user = 0; user < kXInputUsers; ++user) {
      XInputStateEx s = {};
      if (xinput_.get_state(user, &s.state) != ERROR_SUCCESS) continue;
      XINPUT_CAPABILITIES caps = {};
      uint8_t sub_type = 0;
      if (xinput_.get_capabilities && xinput_.get_capabilities(user, 0, &caps) == ERROR_SUCCESS) {
        sub_type = caps.SubType;
      }
      seen->push_back({static_cast<int64_t>(user), win32::xinput_product(sub_type)});
    }
  }

  bool pad_read(int64_t id, PadState* state) override {
    win32::XInputPad pad;
    if (id < 0 || id >= static_cast<int64_t>(kXInputUsers) ||
        !xinput_read(xinput_, static_cast<DWORD>(id), &pad)) {
      return false;
    }
    *state = win32::pad_state_from_xinput(pad);
    return true;
  }

  void release() override {
    if (open_devices_ == 0 && xinput_.module) {
      // The controllers found are looked for again with the calls reloaded.
      found_.clear();
      FreeLibrary(xinput_.module);
      xinput_ = {};
      xinput_tried_ = false;
    }
  }

 private:
  // xinput1_4 is Windows 8's, xinput1_3 comes with DirectX's runtime,
  // xinput9_1_0 is Windows 7's (without the guide button or batteries).
  void load_xinput() {
    if (xinput_tried_) return;
    xinput_tried_ = true;
    for (const wchar_t* dll : {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"}) {
      // Only the system's copy, never one planted beside the program.
      HMODULE m = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
      if (m == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 7 without the update that knows the flag.
        m = LoadLibraryW(dll);
      }
      if (m == nullptr) continue;
      XInputCalls calls;
      calls.module = m;
      // Ordinal 100 is XInputGetStateEx; the plain call where it is missing.
      calls.get_state = reinterpret_cast<XInputGetStateFn>(
          reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(100))));
      if (calls.get_state == nullptr) {
        calls.get_state = reinterpret_cast<XInputGetStateFn>(
            reinterpret_cast<void*>(GetProcAddress(m, "XInputGetState")));
      }
      calls.set_state = reinterpret_cast<XInputSetStateFn>(
          reinterpret_cast<void*>(GetProcAddress(m, "XInputSetState")));
      calls.get_capabilities = reinterpret_cast<XInputGetCapabilitiesFn>(
          reinterpret_cast<void*>(GetProcAddress(m, "XInputGetCapabilities")));
      if (calls.get_state == nullptr) {
        FreeLibrary(m);
        continue;
      }
      xinput_ = calls;
      return;
    }
  }

  void scan() {
    found_.clear();
    load_xinput();
    if (xinput_.get_state) {
      for (UINT user = 0; user < kXInputUsers; ++user) {
        XInputStateEx s = {};
        if (xinput_.get_state(user, &s.state) != ERROR_SUCCESS) continue;
        uint8_t sub_type = 0;
        // Without the capabilities call, assume the motors of a gamepad.
        bool motors = true;
        XINPUT_CAPABILITIES caps = {};
        if (xinput_.get_capabilities && xinput_.get_capabilities(user, 0, &caps) == ERROR_SUCCESS) {
          sub_type = caps.SubType;
          motors = caps.Vibration.wLeftMotorSpeed != 0 || caps.Vibration.wRightMotorSpeed != 0;
        }
        // XInput knows a slot and a kind, not the controller's own name.
        const std::string instance = "XInput Controller #" + std::to_string(user + 1);
        found_.push_back({true, user, motors, instance + ", " + win32::xinput_product(sub_type)});
      }
    }
    const UINT slots = joyGetNumDevs();
    for (UINT id = 0; id < slots; ++id) {
      JOYINFOEX info = {};
      info.dwSize = sizeof info;
      info.dwFlags = JOY_RETURNALL;
      // Only joysticks that are plugged in answer.
      if (joyGetPosEx(id, &info) != JOYERR_NOERROR) continue;
      JOYCAPSW caps;
      if (joyGetDevCapsW(id, &caps, sizeof caps) != JOYERR_NOERROR) continue;
      const std::string product =
          win32::narrow_text(caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN));
      std::string oem = winmm_oem_name(id, caps);
      // An Xbox controller shows through WinMM too; XInput has it already.
      if (xinput_.get_state && looks_xinput(oem + " " + product)) continue;
      if (oem.empty()) oem = product.empty() ? "Joystick " + std::to_string(id + 1) : product;
      found_.push_back({false, id, false, oem + ", " + (product.empty() ? oem : product)});
    }
  }

  XInputCalls xinput_;
  bool xinput_tried_ = false;
  std::vector<Found> found_;
  int32_t open_devices_ = 0;
};

}  // namespace

namespace win32 {

std::unique_ptr<Joysticks> make_joysticks() { return std::make_unique<Win32Joysticks>(); }

}  // namespace win32

}  // namespace zrv::platform
