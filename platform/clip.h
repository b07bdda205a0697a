// Geometry clipping for the painter. cairo keeps coordinates in 24.8 fixed
// point (about +-8 million pixels), while flattened drawings may place points
// as far as +-1e9; geometry is cut to a guard box around the canvas first so
// that what reaches cairo is small and still runs the right way.
#pragma once

#include <vector>

namespace platform {

// Device coordinates up to this magnitude pass to cairo untouched.
constexpr double kSafeCoordinate = 4194304.0;  // 2^22

struct DPoint {
  double x;
  double y;
};

struct Box {
  double left;
  double top;
  double right;
  double bottom;
};

// Cuts the segment a-b to the box (Liang-Barsky). False when nothing of it lies
// inside; otherwise a and b become the ends of the part inside, and t0, t1 their
// parameters along the original segment (0 at a, 1 at b).
bool ClipSegment(DPoint& a, DPoint& b, const Box& box, double& t0, double& t1);

// Cuts a closed polygon to the box (Sutherland-Hodgman, one edge of the box at a
// time). Inside the box the even-odd fill of the result equals that of the
// original; the edges it adds lie on the box's border.
void ClipPolygon(const std::vector<DPoint>& polygon, const Box& box, std::vector<DPoint>& out);

}  // namespace platform
