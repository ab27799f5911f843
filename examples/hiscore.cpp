// hiscore: text, fonts and a high-score table kept in an INI file.
//
// Each run rolls a score: the digits spin for two seconds, then the score
// goes into the table of the five best, which lives in hiscore.ini in
// the user's data folder (platform_info("APPDATA"): $XDG_DATA_HOME/Zorvane,
// else ~/.local/share/Zorvane). Type your name while the digits spin;
// Enter rolls again. Run the program a few times and the table fills up.
#include <zorvane.hpp>

using namespace zrv;

constexpr int32_t kLetters = 1;    // sprite slot: font.png, a sheet of 10 x 18 letters
constexpr int32_t kSmallFont = 1;  // font slot: smalfont.png
constexpr int32_t kRows = 5;
// The table of a first run: ini_get answers these defaults while the file
// does not have the entries yet.
const char* const kFirstNames[kRows] = {"ADA", "BOB", "CY", "DEE", "EVE"};
const int32_t kFirstScores[kRows] = {8000, 6500, 5000, 3500, 2000};

void app_defaults() {
  ctx.screen_width = 640;
  ctx.screen_height = 480;
  ctx.frame_rate = 60;
  ctx.app_name = "hiscore";
}

// Text from the letter sheet, each letter `scale` times its size. The
// sheet has four rows of 64 characters from the space on, one per colour.
void print_big(const RtString& text, int32_t x, int32_t y, int32_t colour, int32_t scale) {
  for (int32_t i = 0; i < static_cast<int32_t>(text.length); ++i) {
    sprite_draw_frame_stretched(kLetters, str_asc_at(text, i) - 32 + 64 * colour,
                                x + i * 10 * scale, y, 10 * scale, 18 * scale);
  }
}

void game_main() {
  screen_setup(640, 480, 0);
  screen_clear(rgb(30, 20, 50));
  sprite_load_sheet("media/font.png", kLetters, 10, 18);
  font_load("media/smalfont.png", kSmallFont);  // a sheet of 16 x 8 characters
  smooth_set(0);                                // sharp pixels when letters are enlarged

  // The table: sections of key=value lines, read once and written back
  // when the program ends.
  const RtString file = platform_info("APPDATA") + "/hiscore.ini";
  console_print(("The table is kept in " + file + "\n").c_str());
  ini_open(file);
  RtString names[kRows + 1];
  int32_t scores[kRows + 1];
  for (int32_t i = 0; i < kRows; ++i) {
    names[i] = ini_get("scores", "name" + RtString(i + 1), kFirstNames[i]);
    scores[i] = str_to_int(ini_get("scores", "score" + RtString(i + 1), RtString(kFirstScores[i])));
  }
  const int32_t runs = str_to_int(ini_get("stats", "runs", "0")) + 1;
  ini_put("stats", "runs", RtString(runs));

  RtString name;
  int32_t spin = 120, score = 0, place = -1;  // spin: frames until the score lands
  for (;;) {
    const RtString typed = key_char();  // letters as the keyboard layout gives them
    if (spin > 0 && name.length < 10 && str_upper(typed) >= "A" && str_upper(typed) <= "Z") {
      name += str_upper(typed);
    }
    if (typed == "\n" && spin == 0) spin = 120;  // Enter (typed as a line feed): roll again
    if (spin > 0) {
      score = 1000 + random_int(9000);  // --seed N gives the same numbers every run
      spin -= 1;
      if (spin == 0) {  // landed: into the table, the lower entries move down
        // (row kRows is one past the table: a score that lands there is out)
        place = kRows;
        while (place > 0 && scores[place - 1] < score) {
          names[place] = names[place - 1];
          scores[place] = scores[place - 1];
          place -= 1;
        }
        names[place] = name.empty() ? RtString("YOU") : name;
        scores[place] = score;
        for (int32_t i = 0; i < kRows; ++i) {
          ini_put("scores", "name" + RtString(i + 1), names[i]);
          ini_put("scores", "score" + RtString(i + 1), RtString(scores[i]));
        }
      }
    }

    print_big("HIGH SCORES", 320 - 11 * 15, 24, 1, 3);  // centred: 11 letters of 30
    print_big(str_format_number(4, 0, score), 260, 100, spin > 0 ? 0 : 2, 3);
    font_set(kSmallFont, 2);  // twice the size of its sheet
    for (int32_t i = 0; i < kRows; ++i) {
      const int32_t y = 190 + i * 36;
      if (i == place) rect_fill(120, y - 6, 400, 34, rgb(90, 60, 140));
      // Fixed-width text lines the columns up; str_format_number pads.
      text_print(RtString(i + 1) + ". " + names[i], 140, y, 0);
      text_print(str_format_number(5, 0, scores[i]), 420, y, 0);
    }
    // The same font at its own size, proportional (each letter as wide as
    // it is), centred with text_width.
    font_set(kSmallFont, 1);
    RtString hint = "Type your name while the digits spin";
    if (spin == 0) {
      hint = place < kRows ? "In the table!" : "Not in the table this time.";
      hint += "  Enter rolls again.  Run " + RtString(runs) + " on this machine.";
    }
    text_print(hint, 320 - text_width(hint, 1) / 2, 400, 1);
    present_frame();
  }
}

const UserFunction user_functions[] = {{nullptr, nullptr}};
