// Arc sampling shared by the readers: each curve becomes the points of a
// sequence of angles (or ellipse parameters) in equal steps. The readers differ
// only in policy: the step, how many steps, and whether the angles are
// multiples of the step or running sums of it (which fixes the last bits of
// every point, so each reader keeps the form its output was made with).
#pragma once

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
