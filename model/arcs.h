// Arc sampling shared by the readers: each curve becomes the points of a
// sequence of angles (or ellipse parameters) in equal steps. The readers differ
// only in policy: the step, how many steps, and whether the angles are
// multiples of the step or running sums of it (which fixes the last bits of
// every point, so each reader keeps the form its output was made with).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

// The usual step of 7.5 degrees.
constexpr double kArcStep = std::numbers::pi / 24;

struct ArcSteps {
  double start;
  double step;      // negative runs clockwise
  double end;       // the angle of the last point, taken exactly
  int32_t count;    // steps before the last point: count + 1 points
  bool accumulate;  // angles as running sums rather than start + i x step
};

struct EveryAngle {
  bool operator()(int32_t, double) const { return true; }
};

// Calls point(angle) for angles start, start + step, ... (count of them) and
// then end. `more(i, angle)`, asked before each point, may end the walk early.
template <class Point, class More = EveryAngle>
void SampleArc(const ArcSteps& steps, Point point, More more = {}) {
  double sum = steps.start;
  for (int32_t i = 0; i <= steps.count; ++i) {
    const double angle = i == steps.count ? steps.end : steps.accumulate ? sum : steps.start + i * steps.step;
    if (!more(i, angle)) return;
    point(angle);
    sum += steps.step;
  }
}

// The cosines and sines of one walk's angles, kept for the next walk with the
// same start and step. A walk of running sums passes through the same angles
// every time it starts from the same one, and pads, vias and rounded corners
// start thousands of walks from a few angles (0, a quarter turn, ...); the
// values are the very ones std::cos and std::sin give, only not computed again.
struct ArcTurns {
  static constexpr int32_t kWalks = 4;
  static constexpr int32_t kAngles = 720;
  struct Walk {
    uint64_t start, step;  // bit patterns
    int32_t known;
    double angle[kAngles], cos[kAngles], sin[kAngles];
  };
  Walk walks[kWalks];
  int32_t next;  // the walk replaced when a new start comes
};

// The walk from `start` by `step` in `turns` (zero-filled at first), made
// afresh when none matches.
inline ArcTurns::Walk& TurnsFrom(ArcTurns& turns, double start, double step) {
  const uint64_t a = std::bit_cast<uint64_t>(start), d = std::bit_cast<uint64_t>(step);
  for (ArcTurns::Walk& walk : turns.walks)
    if (walk.known > 0 && walk.start == a && walk.step == d) return walk;
  ArcTurns::Walk& walk = turns.walks[turns.next];
  turns.next = (turns.next + 1) % ArcTurns::kWalks;
  walk.start = a;
  walk.step = d;
  walk.known = 0;
  return walk;
}

// The cosine and sine of the walk's `i`-th angle, `angle`.
inline void Turn(ArcTurns::Walk& walk, int32_t i, double angle, double* c, double* s) {
  if (i < walk.known && std::bit_cast<uint64_t>(walk.angle[i]) == std::bit_cast<uint64_t>(angle)) {
    *c = walk.cos[i];
    *s = walk.sin[i];
    return;
  }
  *c = std::cos(angle);
  *s = std::sin(angle);
  if (i == walk.known && i < ArcTurns::kAngles) {
    walk.angle[i] = angle;
    walk.cos[i] = *c;
    walk.sin[i] = *s;
    ++walk.known;
  }
}
