// Key codes: the PC keyboard's scan codes (set 1), with 128 added for the
// extended keys, as key_down and key_to_char take them. The names say
// where the key is on a US keyboard; on other layouts the same place has
// the same code.
#pragma once

#include <cstdint>

namespace zrv::key {

constexpr int32_t Escape = 1;
constexpr int32_t Num1 = 2, Num2 = 3, Num3 = 4, Num4 = 5, Num5 = 6, Num6 = 7, Num7 = 8, Num8 = 9,
                  Num9 = 10, Num0 = 11;
constexpr int32_t Minus = 12, Equals = 13, Backspace = 14, Tab = 15;
constexpr int32_t Q = 16, W = 17, E = 18, R = 19, T = 20, Y = 21, U = 22, I = 23, O = 24, P = 25;
constexpr int32_t LeftBracket = 26, RightBracket = 27, Enter = 28, LeftCtrl = 29;
constexpr int32_t A = 30, S = 31, D = 32, F = 33, G = 34, H = 35, J = 36, K = 37, L = 38;
constexpr int32_t Semicolon = 39, Apostrophe = 40, Grave = 41, LeftShift = 42, Backslash = 43;
constexpr int32_t Z = 44, X = 45, C = 46, V = 47, B = 48, N = 49, M = 50;
constexpr int32_t Comma = 51, Period = 52, Slash = 53, RightShift = 54, PadMultiply = 55;
constexpr int32_t LeftAlt = 56, Space = 57, CapsLock = 58;
constexpr int32_t F1 = 59, F2 = 60, F3 = 61, F4 = 62, F5 = 63, F6 = 64, F7 = 65, F8 = 66, F9 = 67,
                  F10 = 68;
constexpr int32_t NumLock = 69, ScrollLock = 70;
constexpr int32_t Pad7 = 71, Pad8 = 72, Pad9 = 73, PadMinus = 74, Pad4 = 75, Pad5 = 76, Pad6 = 77,
                  PadPlus = 78, Pad1 = 79, Pad2 = 80, Pad3 = 81, Pad0 = 82, PadPeriod = 83;
constexpr int32_t IsoBackslash = 86;  // the extra key beside left Shift
constexpr int32_t F11 = 87, F12 = 88, F13 = 100, F14 = 101, F15 = 102;
constexpr int32_t PadEquals = 141, PadEnter = 156, RightCtrl = 157, PadComma = 179, PadDivide = 181;
constexpr int32_t PrintScreen = 183, RightAlt = 184, Pause = 197;
constexpr int32_t Home = 199, Up = 200, PageUp = 201, Left = 203, Right = 205, End = 207,
                  Down = 208, PageDown = 209, Insert = 210, Delete = 211;
constexpr int32_t LeftWindows = 219, RightWindows = 220, Applications = 221;

}  // namespace zrv::key

namespace zrv {

// The names the runtime has used since the start.
constexpr int32_t kKeyEscape = key::Escape;
constexpr int32_t kKeyBackspace = key::Backspace;
constexpr int32_t kKeyEnter = key::Enter;
constexpr int32_t kKeyLeftAlt = key::LeftAlt;
constexpr int32_t kKeySpace = key::Space;
constexpr int32_t kKeyF4 = key::F4;
constexpr int32_t kKeyPadEnter = key::PadEnter;
constexpr int32_t kKeyLeft = key::Left;
constexpr int32_t kKeyRight = key::Right;

}  // namespace zrv
