// pathfind: path finding on a grid, clicked with the mouse. Left click a
// cell and the ball walks there by the cheapest way: round the walls,
// and through the water only when that saves a long detour. Right click
// puts up or takes down a wall.
//
// Until the first click the ball tours the four corners by itself.
#include <zorvane.hpp>

using namespace zrv;

constexpr int32_t kCols = 20, kRows = 14, kCell = 32;  // the grid fills 640 x 448
constexpr int32_t kBall = 1;                           // a sprite slot
// '#' wall, '~' water (four times as slow as grass), '.' grass
// clang-format off
const char* const kMap[kRows] = {
    "....................",
    "....#.........~~....",
    "....#..######.~~....",
    "....#.......#.~~....",
    "..~~#.......#.......",
    "..~~#####...#..###..",
    "..~~........#....#..",
    "............#....#..",
    ".....~~~~...######..",
    ".....~~~~...........",
    "..####......~~~~~...",
    ".....#......~~~~~...",
    ".....#..............",
    "....................",
};
// clang-format on
const int32_t kTour[4][2] = {{18, 1}, {1, 12}, {18, 12}, {1, 1}};

void app_defaults() {
  ctx.screen_width = 640;
  ctx.screen_height = 480;
  ctx.frame_rate = 60;
  ctx.app_name = "pathfind";
}

void game_main() {
  screen_setup(640, 480, 0);
  screen_clear(rgb(30, 30, 30));
  sprite_load("media/button.png", kBall);

  // The cost of each cell, map(x, y); 0 (or less) blocks it.
  RtArray<double> map;
  array_dim(map, kCols, kRows);
  for (int32_t y = 0; y < kRows; ++y) {
    for (int32_t x = 0; x < kCols; ++x) {
      map(x, y) = kMap[y][x] == '#' ? 0 : kMap[y][x] == '~' ? 4 : 1;
    }
  }

  RtArray<int32_t> path;                  // rows of (x, y) from the start cell to the goal
  int32_t count = 0, step = 0, tick = 0;  // path length, the row the ball is on, frames to the next
  int32_t ball_x = 1, ball_y = 1, goal_x = 1, goal_y = 1, tour = 0;
  int32_t was_left = 0, was_right = 0;
  bool demo = true;
  for (;;) {
    int32_t mx, my, left, right;
    mouse_state(mx, my, left, right);
    const int32_t cx = mx / kCell, cy = my / kCell;  // the cell under the pointer
    const bool on_grid = mx >= 0 && my >= 0 && cx < kCols && cy < kRows;
    bool plan = false;
    if (left && !was_left && on_grid) {  // the button went down in this frame
      demo = false;
      goal_x = cx;
      goal_y = cy;
      plan = true;
    }
    if (right && !was_right && on_grid && (cx != ball_x || cy != ball_y)) {
      map(cx, cy) = map(cx, cy) > 0 ? 0 : 1;
      plan = true;  // the way may have changed
    }
    was_left = left;
    was_right = right;
    if (demo && step + 1 >= count) {  // arrived: on to the next corner
      goal_x = kTour[tour][0];
      goal_y = kTour[tour][1];
      tour = (tour + 1) % 4;
      plan = true;
    }
    if (plan) {
      // Weight 0: the cheapest way. Towards 1 the search heads more
      // greedily for the goal: faster, but not always the cheapest way.
      count = path_find(map, path, 0, ball_x, ball_y, goal_x, goal_y);
      step = 0;
      tick = 0;
    }

    // Walk: one cell every 8 frames.
    int32_t next_x = ball_x, next_y = ball_y;
    if (step + 1 < count) {
      next_x = path(step + 1, 0);
      next_y = path(step + 1, 1);
      tick += 1;
      if (tick == 8) {
        step += 1;
        tick = 0;
        ball_x = next_x;
        ball_y = next_y;
      }
    }

    // The grid, the way ahead, the goal, the ball between two cells.
    for (int32_t y = 0; y < kRows; ++y) {
      for (int32_t x = 0; x < kCols; ++x) {
        int32_t colour = (x + y) % 2 ? rgb(70, 150, 70) : rgb(78, 160, 78);  // grass
        if (map(x, y) > 1) colour = rgb(50, 110, 200);                       // water
        if (map(x, y) <= 0) colour = rgb(110, 90, 70);                       // wall
        rect_fill(x * kCell, y * kCell, kCell, kCell, colour);
      }
    }
    for (int32_t i = step + 1; i < count; ++i) {
      rect_fill(path(i, 0) * kCell + 13, path(i, 1) * kCell + 13, 6, 6, color::White);
    }
    rect_fill(goal_x * kCell + 4, goal_y * kCell + 4, 24, 24, color::Red);
    const int32_t bx = ball_x * kCell + (next_x - ball_x) * kCell * tick / 8;
    const int32_t by = ball_y * kCell + (next_y - ball_y) * kCell * tick / 8;
    sprite_draw_stretched(kBall, bx, by, kCell, kCell);
    text_print("Left click: walk there   Right click: wall on/off   " + RtString(count) +
                   " cells on the way",
               8, 460, 1);
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
