// 4 x 4 matrices of floats, column-major as OpenGL keeps them, made and
// multiplied in the order and with the float operations of the OpenGL 1.x
// matrix stack, so that what the runtime computes lands on the pixels the
// fixed-function pipeline gave.
//
// Where a matrix differs per primitive (a rotated sprite, a line's
// quarter-pixel shift) the vertices are projected here on the CPU, with the
// product matrix made as the matrix stack made it and applied as a vertex
// shader applies it (multiply, then add, column by column): a position
// first moved on the CPU and then projected by the GPU would round
// differently and move edge pixels.
#pragma once

#include <cmath>

namespace zrv::matrix {

using Mat4 = float[16];

inline float& at(Mat4 m, int row, int col) { return m[col * 4 + row]; }
inline float at(const Mat4 m, int row, int col) { return m[col * 4 + row]; }

inline void identity(Mat4 m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

inline void copy(Mat4 out, const Mat4 in) {
  for (int i = 0; i < 16; ++i) out[i] = in[i];
}

// out = a * b (out may be a or b).
inline void multiply(Mat4 out, const Mat4 a, const Mat4 b) {
  float p[16];
  for (int i = 0; i < 4; ++i) {
    const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
    for (int j = 0; j < 4; ++j) {
      p[j * 4 + i] = ai0 * at(b, 0, j) + ai1 * at(b, 1, j) + ai2 * at(b, 2, j) + ai3 * at(b, 3, j);
    }
  }
  copy(out, p);
}

// m = m * the orthographic projection of the box, as the matrix stack made it.
inline void ortho(Mat4 m, float left, float right, float bottom, float top, float near_z,
                  float far_z) {
  float o[16] = {};
  at(o, 0, 0) = 2.0f / (right - left);
  at(o, 0, 3) = -(right + left) / (right - left);
  at(o, 1, 1) = 2.0f / (top - bottom);
  at(o, 1, 3) = -(top + bottom) / (top - bottom);
  at(o, 2, 2) = -2.0f / (far_z - near_z);
  at(o, 2, 3) = -(far_z + near_z) / (far_z - near_z);
  at(o, 3, 3) = 1.0f;
  multiply(m, m, o);
}

// m = m * scale(x, y, z), as the matrix stack scaled.
inline void scale(Mat4 m, float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    at(m, r, 0) *= x;
    at(m, r, 1) *= y;
    at(m, r, 2) *= z;
  }
}

// m = m * translate(x, y, z), as the matrix stack moved.
inline void translate(Mat4 m, float x, float y, float z) {
  for (int r = 0; r < 4; ++r) {
    at(m, r, 3) = at(m, r, 0) * x + at(m, r, 1) * y + at(m, r, 2) * z + at(m, r, 3);
  }
}

// m = m * rotation by angle degrees about the z axis (the axis pointing
// to -z when negative_z), as the matrix stack turned: sine and cosine in
// double, rounded to float.
inline void rotate_z(Mat4 m, float angle, bool negative_z) {
  constexpr double kPi = 3.14159265358979323846;
  const auto s = static_cast<float>(std::sin(angle * kPi / 180.0));
  const auto c = static_cast<float>(std::cos(angle * kPi / 180.0));
  float r[16];
  identity(r);
  at(r, 0, 0) = c;
  at(r, 1, 1) = c;
  at(r, 0, 1) = negative_z ? s : -s;
  at(r, 1, 0) = negative_z ? -s : s;
  multiply(m, m, r);
}

// The clip coordinates x and y of the point (x, y, 0, 1).
inline void apply(const Mat4 m, float x, float y, float* cx, float* cy) {
  // Column by column, as the shader's matrix product is evaluated; the
  // column of z adds m * 0.
  *cx = ((m[0] * x + m[4] * y) + m[8] * 0.0f) + m[12];
  *cy = ((m[1] * x + m[5] * y) + m[9] * 0.0f) + m[13];
}

}  // namespace zrv::matrix
