// The game is heard: reedfire runs on an X display of its own with OpenAL's
// wave-file output, driven by a key script that starts the game with a shot
// which hits the first duck. The game's trace says in which frames the gun
// fired, the ducks stepped and the duck was hit; the recording must hold
// exactly those sounds (found by correlating with the game's own WAV files)
// at the times of their frames, and silence everywhere else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "wav_files.hpp"
#include "x_session.hpp"

namespace zrv {
namespace {

constexpr double kFrameSeconds = 1.0 / 60;

struct Event {
  int64_t frame;
  std::string sound;  // file in Media
};

int field(const std::string& line, const char* name) {
  const std::string key = std::string("\"") + name + "\":";
  const size_t at = line.find(key);
  return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + key.size());
}

// The sounds the game starts in each pass, from its trace: a bullet where
// there was none is a shot, a pass whose step timer reached the delay with flying
// ducks is a step, a higher score is a hit.
std::vector<Event> events_of(const std::string& trace) {
  std::vector<Event> events;
  const std::regex flying_duck(R"(\[-?\d+,-?\d+,-?\d+,-?\d+,0,-?\d+\])");
  int score = 0;
  bool had_bullet = false;
  bool had_flying_duck = false;  // before this pass, that is after the last
  size_t at = 0;
  for (size_t nl; (nl = trace.find('\n', at)) != std::string::npos; at = nl + 1) {
    const std::string line = trace.substr(at, nl - at);
    const int64_t frame = field(line, "frame");
    const size_t ducks = line.find("\"ducks\":");
    const size_t guns = line.find("\"guns\":");
    const size_t bullets = line.find("\"bullets\":");
    if (ducks == std::string::npos || guns == std::string::npos || bullets == std::string::npos) {
      continue;
    }
    const std::string duck_list = line.substr(ducks, guns - ducks);
    const bool has_bullet = line.find("\"bullets\":[[", bullets) == bullets;
    if (has_bullet && !had_bullet) events.push_back({frame, "sound01.wav"});
    had_bullet = has_bullet;
    // A duck hit in this pass still stepped first.
    if (field(line, "step_timer") == field(line, "step_delay") && field(line, "life_lost") == 0 &&
        field(line, "life_lost_countdown") == 0 && had_flying_duck) {
      events.push_back({frame, "sound05.wav"});
    }
    had_flying_duck = std::regex_search(duck_list, flying_duck);
    if (field(line, "score") > score) events.push_back({frame, "quack.wav"});
    score = field(line, "score");
  }
  return events;
}

std::vector<float> mono_samples(const std::string& path) {
  test::Recording r;
  EXPECT_TRUE(test::read_recording(path, &r)) << path;
  EXPECT_EQ(r.channels, 1);
  EXPECT_EQ(r.rate, 22050u);
  return r.samples;
}

// The first place in [from, to] where the signal holds the sample: the best
// normalised correlation within 20 ms of the first one above the threshold
// (a tone correlates well one period off its true place, too); the best
// correlation seen when there is none.
struct Match {
  double correlation = -1;
  size_t frame = 0;
};
Match first_match(const std::vector<double>& signal, const std::vector<float>& sample, size_t from,
                  size_t to, double threshold) {
  double sample_energy = 0;
  for (float v : sample) sample_energy += static_cast<double>(v) * v;
  Match best;
  size_t stop = to;
  for (size_t start = from; start <= stop && start + sample.size() <= signal.size(); ++start) {
    double dot = 0, energy = 0;
    for (size_t i = 0; i < sample.size(); ++i) {
      dot += signal[start + i] * sample[i];
      energy += signal[start + i] * signal[start + i];
    }
    if (energy <= 0) continue;
    const double c = dot / std::sqrt(energy * sample_energy);
    if (c > threshold && best.correlation <= threshold) stop = start + 441;
    if (c > best.correlation) best = {c, start};
  }
  return best;
}

// Takes a found sound out of the signal (at the gain that fits best), so
// that a sound it overlapped can be found on its own.
void take_out(std::vector<double>& signal, const std::vector<float>& sample, size_t start) {
  double dot = 0, energy = 0;
  for (size_t i = 0; i < sample.size() && start + i < signal.size(); ++i) {
    dot += signal[start + i] * sample[i];
    energy += static_cast<double>(sample[i]) * sample[i];
  }
  const double gain = energy > 0 ? dot / energy : 0;
  for (size_t i = 0; i < sample.size() && start + i < signal.size(); ++i)
    signal[start + i] -= gain * sample[i];
}

double peak(const test::Recording& rec, size_t from, size_t to) {
  double p = 0;
  for (size_t f = from; f < std::min(to, rec.frames()); ++f)
    for (int c = 0; c < rec.channels; ++c)
      p = std::max(p, static_cast<double>(std::fabs(rec.at(f, c))));
  return p;
}

TEST(GameAudio, ShotStepsAndHitSoundAtTheirFrames) {
  if (!test::PrivateDisplay::available()) GTEST_SKIP() << "Xvfb is not installed";
  test::PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  test::ScratchFolder dir;
  const std::string keys = dir.file("keys.txt");
  const std::string trace = dir.file("trace.jsonl");
  const std::string wav = dir.file("out.wav");
  const std::string conf = dir.file("al.conf");
  // Space in the first pass starts the game and fires; seed 1 puts the first
  // duck where that bullet meets it.
  std::ofstream(keys) << "5 57 1\n6 57 0\n";
  std::ofstream(conf) << "[wave]\nfile = " << wav << "\n";

  const std::string program = ZRV_BINARY_DIR "/game/reedfire";
  test::ChildResult run = test::run_in_child([&] {
    setenv("ALSOFT_DRIVERS", "wave", 1);
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("TMPDIR", dir.path.c_str(), 1);
    std::vector<std::string> args = {program,  "--seed", "1",       "--frames", "170",
                                     "--keys", keys,     "--trace", trace};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(121);
  });
  ASSERT_TRUE(run.exited) << run.err;
  ASSERT_EQ(run.status, 0) << run.err;
  // Seven sounds loaded without an error.
  EXPECT_EQ(run.out.find("error: 3"), std::string::npos) << run.out;

  const std::vector<Event> events = events_of(test::read_text(trace));
  std::string listed;
  for (const Event& e : events) listed += std::to_string(e.frame) + " " + e.sound + "\n";
  // The shot, three steps, the hit in the pass after the third step.
  ASSERT_EQ(events.size(), 5u) << listed;
  EXPECT_EQ(events[0].sound, "sound01.wav");
  EXPECT_EQ(events.back().sound, "quack.wav");

  test::Recording rec;
  ASSERT_TRUE(test::read_recording(wav, &rec));
  ASSERT_EQ(rec.rate, 22050u);
  const double rate = rec.rate;

  // The shot is the first sound of the run: it anchors frame times.
  size_t onset = 0;
  while (onset < rec.frames() && peak(rec, onset, onset + 1) < 0.005) ++onset;
  ASSERT_LT(onset, rec.frames()) << "the game was silent";

  const std::string media = ZRV_SOURCE_DIR "/assets/Media/";
  std::vector<double> signal(rec.frames());
  for (size_t f = 0; f < rec.frames(); ++f) signal[f] = rec.at(f, 0);
  double anchor_time = onset / rate;
  int64_t anchor_frame = events[0].frame;
  std::vector<std::pair<size_t, size_t>> sounding;  // start and end frames
  for (size_t n = 0; n < events.size();) {
    // Sounds that start while the first of them still sounds are a group:
    // the longest is looked for first and taken out before the next.
    const std::vector<float> first = mono_samples(media + events[n].sound);
    const int64_t lasts = static_cast<int64_t>(first.size() / rate / kFrameSeconds);
    size_t end = n + 1;
    while (end < events.size() && events[end].frame < events[n].frame + lasts) ++end;
    std::vector<std::pair<std::vector<float>, const Event*>> group;
    for (size_t k = n; k < end; ++k)
      group.push_back({mono_samples(media + events[k].sound), &events[k]});
    std::stable_sort(group.begin(), group.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [sample, e] : group) {
      // Frames are presented 1/60 s apart; when the machine is busy they
      // come late, so the sound may come up to twice its frame distance
      // (and a quarter second) after the one before, never much earlier.
      const double gap = (e->frame - anchor_frame) * kFrameSeconds;
      const double earliest = n == 0 ? anchor_time - 0.1 : anchor_time + 0.75 * gap - 0.03;
      const double latest = n == 0 ? anchor_time + 0.1 : anchor_time + 2 * gap + 0.25;
      const auto from = static_cast<size_t>(std::max(0.0, earliest * rate));
      const auto to = static_cast<size_t>(latest * rate);
      const Match m = first_match(signal, sample, from, to, 0.9);
      EXPECT_GT(m.correlation, 0.9) << e->sound << " at frame " << e->frame << " not found";
      take_out(signal, sample, m.frame);
      sounding.push_back({m.frame, m.frame + sample.size()});
    }
    // The group's first sound places the following frames.
    anchor_time = static_cast<double>(sounding[sounding.size() - group.size()].first) / rate;
    for (size_t k = sounding.size() - group.size(); k < sounding.size(); ++k)
      anchor_time = std::min(anchor_time, sounding[k].first / rate);
    anchor_frame = events[n].frame;
    n = end;
  }

  // Silence before the first sound, between the sounds and after the last
  // one until the last frame.
  std::sort(sounding.begin(), sounding.end());
  const size_t margin = static_cast<size_t>(0.02 * rate);
  const size_t end_of_run =
      static_cast<size_t>((anchor_time + (169 - anchor_frame) * kFrameSeconds) * rate);
  size_t quiet_from = 0;
  std::vector<std::pair<size_t, size_t>> gaps;
  for (const auto& s : sounding) {
    if (s.first > quiet_from + 2 * margin) gaps.push_back({quiet_from, s.first - margin});
    quiet_from = std::max(quiet_from, s.second + margin);
  }
  gaps.push_back({quiet_from, end_of_run});
  ASSERT_GE(gaps.size(), 4u);
  for (const auto& g : gaps) {
    EXPECT_LT(peak(rec, g.first, g.second), 0.005)
        << "sound between " << g.first / rate << " s and " << g.second / rate << " s";
  }
}

}  // namespace
}  // namespace zrv
