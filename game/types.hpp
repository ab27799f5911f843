// The game's TYPE records. Each is a polymorphic record of double fields in
// declaration order; typed arrays copy the fields only (assign_fields) and
// reset them (clear_fields), the slot object itself stays in place.
#pragma once

namespace __ZORVANE__ {

class Tbullet {
 public:
  double x = 0.0;
  double y = 0.0;
  double tick = 0.0;

  Tbullet() noexcept = default;
  Tbullet(const Tbullet&) = default;
  Tbullet& operator=(const Tbullet&) = default;
  virtual ~Tbullet() {}

  void assign_fields(const Tbullet& o) {
    x = o.x;
    y = o.y;
    tick = o.tick;
  }
  void clear_fields() { x = y = tick = 0.0; }
};

class Tgun {
 public:
  double x = 0.0;
  double y = 0.0;

  Tgun() noexcept = default;
  Tgun(const Tgun&) = default;
  Tgun& operator=(const Tgun&) = default;
  virtual ~Tgun() {}

  void assign_fields(const Tgun& o) {
    x = o.x;
    y = o.y;
  }
  void clear_fields() { x = y = 0.0; }
};

class Tduck {
 public:
  double x = 0.0;
  double y = 0.0;
  double tick = 0.0;
  double state = 0.0;      // 0 flying, 1 hit and falling
  double direction = 0.0;  // 0 moving right, 1 moving left
  double frame = 0.0;      // 1 flying, 2..5 falling

  Tduck() noexcept = default;
  Tduck(const Tduck&) = default;
  Tduck& operator=(const Tduck&) = default;
  virtual ~Tduck() {}

  void assign_fields(const Tduck& o) {
    x = o.x;
    y = o.y;
    tick = o.tick;
    state = o.state;
    direction = o.direction;
    frame = o.frame;
  }
  void clear_fields() { x = y = tick = state = direction = frame = 0.0; }
};

}  // namespace __ZORVANE__
