// Numeric commands (angles in degrees, remainders, minimum and maximum) and
// the random-number source, a 32-bit ISAAC generator.
#pragma once

#include <cstdint>

namespace zrv {

double math_sin(double degrees);
double math_cos(double degrees);
double math_tan(double degrees);
double math_atan2(double y, double x);  // degrees
double math_asin(double x);             // degrees; x outside -1..1 clamps to +-90
double math_acos(double x);             // degrees; x outside -1..1 clamps to 0 / 180
double math_sqrt(double x);
double math_pow(double base, double exponent);
double math_log(double x);
double math_floor(double x);
double math_ceil(double x);
double math_fmod(double x, double y);        // 0 when y is 0; sign follows x
int32_t math_mod_int(int32_t a, int32_t b);  // 0 when b is 0; sign follows a

// The first operand wins only when strictly larger (smaller); ties and NaNs
// give the second operand.
double math_max(double a, double b);
int32_t math_max(int32_t a, double x);  // x truncated toward zero first
int32_t math_max(int32_t a, int32_t b);
double math_min(double a, double b);
double math_min(double a, float b);
int32_t math_min(int32_t a, int32_t b);

// Generator state: one 256-word round of output plus the internal state.
struct RandomState {
  uint32_t result_count;  // set to 256 by seeding, not otherwise consulted
  uint32_t results[256];  // output words of the latest round
  uint32_t memory[256];   // internal state words
  uint32_t acc_a;         // accumulator
  uint32_t acc_b;         // previous result
  uint32_t acc_c;         // round counter
};

// The process-wide generator; zero (unusable) until seeded at start-up.
extern RandomState random_state;

// Integer from 0 to n inclusive; 0 without advancing the generator when
// n <= 0. Every draw runs one full round.
int32_t random_int(int32_t n);
// Re-seeds; returns the first word of the round the seeding runs.
uint32_t random_seed(int32_t seed);
// One full round; returns its first output word.
uint32_t random_next();

// The same operations on an explicit state.
uint32_t random_next(RandomState& state);
uint32_t random_seed(RandomState& state, int32_t seed);
// Fills the state for a new sequence without running a round: zeroes it,
// then (when with_seed) stirs the seed into the mixing words, then runs the
// standard initialisation over an all-zero result array. Without the seed
// pass this is the generator's reference initialisation.
void random_init_state(RandomState& state, bool with_seed, int32_t seed);

}  // namespace zrv
