#include "platform/clip.h"

namespace platform {

bool ClipSegment(DPoint& a, DPoint& b, const Box& box, double& t0, double& t1) {
  double dx = b.x - a.x;
  double dy = b.y - a.y;
  t0 = 0.0;
  t1 = 1.0;
  // Each pair is (p, q) of one box edge: the point is inside where t * p <= q.
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - box.left, box.right - a.x, a.y - box.top, box.bottom - a.y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;  // parallel to this edge and outside it
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      if (t > t0) t0 = t;
    } else {
      if (t < t0) return false;
      if (t < t1) t1 = t;
    }
  }
  DPoint start{a.x + t0 * dx, a.y + t0 * dy};
  DPoint end{a.x + t1 * dx, a.y + t1 * dy};
  a = start;
  b = end;
  return true;
}

namespace {

// One edge of the box as a half-plane: side 0 left, 1 right, 2 top, 3 bottom.
bool Inside(const DPoint& p, const Box& box, int side) {
  switch (side) {
    case 0: return p.x >= box.left;
    case 1: return p.x <= box.right;
    case 2: return p.y >= box.top;
    default: return p.y <= box.bottom;
  }
}

DPoint Crossing(const DPoint& a, const DPoint& b, const Box& box, int side) {
  if (side < 2) {
    double x = side == 0 ? box.left : box.right;
    double t = (x - a.x) / (b.x - a.x);
    return {x, a.y + t * (b.y - a.y)};
  }
  double y = side == 2 ? box.top : box.bottom;
  double t = (y - a.y) / (b.y - a.y);
  return {a.x + t * (b.x - a.x), y};
}

}  // namespace

void ClipPolygon(const std::vector<DPoint>& polygon, const Box& box, std::vector<DPoint>& out) {
  out = polygon;
  std::vector<DPoint> input;
  for (int side = 0; side < 4 && !out.empty(); ++side) {
    input.swap(out);
    out.clear();
    DPoint previous = input.back();
    bool previousInside = Inside(previous, box, side);
    for (const DPoint& current : input) {
      bool currentInside = Inside(current, box, side);
      if (currentInside != previousInside) out.push_back(Crossing(previous, current, box, side));
      if (currentInside) out.push_back(current);
      previous = current;
      previousInside = currentInside;
    }
  }
}

}  // namespace platform
