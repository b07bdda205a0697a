// The player's shape, line and path records: each builds its outline in
// logical units, mapped point by point to device pixels (curves stay cubic
// Béziers, which an affine mapping keeps exact), and draws it or adds it to
// the open path.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/emf_player_state.h"
#include "platform/region.h"

namespace platform {

namespace {

constexpr double kPi = std::numbers::pi;
// PolyDraw point types.
constexpr uint8_t kPtCloseFigure = 1, kPtLineTo = 2, kPtBezierTo = 4, kPtMoveTo = 6;

struct Builder {
  Player& p;
  Path path;

  void Move(double x, double y) {
    path.verbs.push_back(PathVerb::kMove);
    path.points.push_back(p.Dev(x, y));
  }
  void Line(double x, double y) {
    path.verbs.push_back(PathVerb::kLine);
    path.points.push_back(p.Dev(x, y));
  }
  void Bezier(double x1, double y1, double x2, double y2, double x3, double y3) {
    path.verbs.push_back(PathVerb::kBezier);
    path.points.insert(path.points.end(), {p.Dev(x1, y1), p.Dev(x2, y2), p.Dev(x3, y3)});
  }
  void Close() { path.verbs.push_back(PathVerb::kClose); }

  // The arc of the ellipse about (cx, cy) with radii rx, ry from parameter t0
  // through `sweep` radians, as cubic Béziers of at most a quarter turn each;
  // the point at t is (cx + rx cos t, cy + ry sin t). Starts with a move, or a
  // line from where the figure stands.
  void Arc(double cx, double cy, double rx, double ry, double t0, double sweep, bool move) {
    int n = std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)), 1, 4);
    double d = sweep / n, k = 4.0 / 3.0 * std::tan(d / 4);
    double x = cx + rx * std::cos(t0), y = cy + ry * std::sin(t0);
    if (move)
      Move(x, y);
    else
      Line(x, y);
    for (int i = 0; i < n; ++i) {
      double a = t0 + i * d, b = a + d;
      double x3 = cx + rx * std::cos(b), y3 = cy + ry * std::sin(b);
      Bezier(x - k * rx * std::sin(a), y + k * ry * std::cos(a), x3 + k * rx * std::sin(b), y3 - k * ry * std::cos(b),
             x3, y3);
      x = x3, y = y3;
    }
  }
};

// Points of the polyline records: i32 pairs, or i16 pairs for the 16-bit forms.
struct PointList {
  const EmfRecord& r;
  uint32_t base;
  bool small;
  uint32_t count;  // as many as the record holds

  PointList(const EmfRecord& rec, uint32_t at, bool is16, uint32_t claimed) : r(rec), base(at), small(is16) {
    uint64_t room = at < rec.size ? (rec.size - at) / (is16 ? 4 : 8) : 0;
    count = static_cast<uint32_t>(std::min<uint64_t>(claimed, room));
  }
  double X(uint32_t i) const { return small ? RecordI16(r, base + 4 * i) : RecordI32(r, base + 8 * i); }
  double Y(uint32_t i) const { return small ? RecordI16(r, base + 4 * i + 2) : RecordI32(r, base + 8 * i + 4); }
};

bool Is16(uint32_t type) {
  return type == kEmrPolyBezier16 || type == kEmrPolygon16 || type == kEmrPolyline16 || type == kEmrPolyBezierTo16 ||
         type == kEmrPolylineTo16 || type == kEmrPolyPolyline16 || type == kEmrPolyPolygon16 || type == kEmrPolyDraw16;
}

}  // namespace

// Rectangles, ellipses and the arc family. The arc's direction is the one set
// for the device; a mapping that mirrors turns it over in logical units.
void Player::Shape(const EmfRecord& r) {
  if (r.size < 24) return;
  double l = RecordI32(r, 8), t = RecordI32(r, 12), rr = RecordI32(r, 16), b = RecordI32(r, 20);
  if (l > rr) std::swap(l, rr);
  if (t > b) std::swap(t, b);
  double cx = (l + rr) / 2, cy = (t + b) / 2, rx = (rr - l) / 2, ry = (b - t) / 2;
  Builder f{*this, {}};
  switch (r.type) {
    case kEmrRectangle:
      f.Move(l, t), f.Line(rr, t), f.Line(rr, b), f.Line(l, b), f.Close();
      Draw(f.path, true, true);
      return;
    case kEmrEllipse:
      f.Arc(cx, cy, rx, ry, 0, 2 * kPi, true);
      f.Close();
      Draw(f.path, true, true);
      return;
    case kEmrRoundRect: {
      double ex = std::min(std::fabs(static_cast<double>(RecordI32(r, 24))) / 2, rx);
      double ey = std::min(std::fabs(static_cast<double>(RecordI32(r, 28))) / 2, ry);
      f.Arc(rr - ex, t + ey, ex, ey, -kPi / 2, kPi / 2, true);
      f.Arc(rr - ex, b - ey, ex, ey, 0, kPi / 2, false);
      f.Arc(l + ex, b - ey, ex, ey, kPi / 2, kPi / 2, false);
      f.Arc(l + ex, t + ey, ex, ey, kPi, kPi / 2, false);
      f.Close();
      Draw(f.path, true, true);
      return;
    }
    default: break;
  }
  if (r.size < 40) return;
  // Arc, chord, pie, arc-to: from the radial through the start point to the
  // radial through the end point; the same point twice is the whole ellipse.
  double xs = RecordI32(r, 24) - cx, ys = RecordI32(r, 28) - cy, xe = RecordI32(r, 32) - cx, ye = RecordI32(r, 36) - cy;
  double t0 = std::atan2(ys * rx, xs * ry), t1 = std::atan2(ye * rx, xe * ry);
  const Xform& m = Full();
  bool clockwise = s.clockwise != (m.m11 * m.m22 - m.m12 * m.m21 < 0);
  double sweep = t1 - t0;
  if (clockwise) {
    while (sweep <= 0) sweep += 2 * kPi;
  } else {
    while (sweep >= 0) sweep -= 2 * kPi;
  }
  switch (r.type) {
    case kEmrArc:
      f.Arc(cx, cy, rx, ry, t0, sweep, true);
      Draw(f.path, false, true);
      break;
    case kEmrArcTo:
      f.Move(s.cur.x, s.cur.y);
      f.Arc(cx, cy, rx, ry, t0, sweep, false);
      s.cur = {cx + rx * std::cos(t0 + sweep), cy + ry * std::sin(t0 + sweep)};
      figureOpen = inPath;
      Draw(f.path, false, true);
      break;
    case kEmrChord:
      f.Arc(cx, cy, rx, ry, t0, sweep, true);
      f.Close();
      Draw(f.path, true, true);
      break;
    case kEmrPie:
      f.Move(cx, cy);
      f.Arc(cx, cy, rx, ry, t0, sweep, false);
      f.Close();
      Draw(f.path, true, true);
      break;
    default: break;
  }
}

// Lines from the current position, polylines, polygons, Bézier curves and
// PolyDraw, in their 32- and 16-bit forms.
void Player::Lines(const EmfRecord& r) {
  Builder f{*this, {}};
  bool small = Is16(r.type);
  // A figure that goes on from the current position: within the path bracket
  // it continues the open figure, outside it starts at the current position.
  auto fromCurrent = [&] {
    if (!(inPath && figureOpen)) f.Move(s.cur.x, s.cur.y);
    figureOpen = inPath;
  };
  switch (r.type) {
    case kEmrMoveToEx:
      s.cur = {static_cast<double>(RecordI32(r, 8)), static_cast<double>(RecordI32(r, 12))};
      figureOpen = false;
      return;
    case kEmrLineTo:
      fromCurrent();
      s.cur = {static_cast<double>(RecordI32(r, 8)), static_cast<double>(RecordI32(r, 12))};
      f.Line(s.cur.x, s.cur.y);
      Draw(f.path, false, true);
      return;
    case kEmrAngleArc: {
      double cx = RecordI32(r, 8), cy = RecordI32(r, 12), radius = RecordU32(r, 16);
      double a = RecordF32(r, 20) * kPi / 180, sweep = RecordF32(r, 24) * kPi / 180;
      if (!std::isfinite(a) || !std::isfinite(sweep)) return;
      sweep = std::clamp(sweep, -2 * kPi, 2 * kPi);
      fromCurrent();
      // Counter-clockwise on the page: the parameter runs the other way.
      f.Arc(cx, cy, radius, radius, -a, -sweep, false);
      s.cur = {cx + radius * std::cos(a + sweep), cy - radius * std::sin(a + sweep)};
      Draw(f.path, false, true);
      return;
    }
    default: break;
  }
  PointList pts(r, 28, small, RecordU32(r, 24));
  switch (r.type) {
    case kEmrPolyline:
    case kEmrPolyline16:
    case kEmrPolygon:
    case kEmrPolygon16: {
      if (pts.count == 0) return;
      bool polygon = r.type == kEmrPolygon || r.type == kEmrPolygon16;
      f.Move(pts.X(0), pts.Y(0));
      for (uint32_t i = 1; i < pts.count; ++i) f.Line(pts.X(i), pts.Y(i));
      if (polygon) f.Close();
      if (inPath) figureOpen = !polygon, s.cur = {pts.X(pts.count - 1), pts.Y(pts.count - 1)};
      Draw(f.path, polygon, true);
      return;
    }
    case kEmrPolyBezier:
    case kEmrPolyBezier16: {
      if (pts.count < 4) return;
      f.Move(pts.X(0), pts.Y(0));
      for (uint32_t i = 1; i + 2 < pts.count; i += 3)
        f.Bezier(pts.X(i), pts.Y(i), pts.X(i + 1), pts.Y(i + 1), pts.X(i + 2), pts.Y(i + 2));
      Draw(f.path, false, true);
      return;
    }
    case kEmrPolylineTo:
    case kEmrPolylineTo16:
    case kEmrPolyBezierTo:
    case kEmrPolyBezierTo16: {
      bool bezier = r.type == kEmrPolyBezierTo || r.type == kEmrPolyBezierTo16;
      uint32_t step = bezier ? 3 : 1;
      if (pts.count < step) return;
      fromCurrent();
      uint32_t i = 0;
      for (; i + step <= pts.count; i += step) {
        if (bezier)
          f.Bezier(pts.X(i), pts.Y(i), pts.X(i + 1), pts.Y(i + 1), pts.X(i + 2), pts.Y(i + 2));
        else
          f.Line(pts.X(i), pts.Y(i));
      }
      s.cur = {pts.X(i - 1), pts.Y(i - 1)};
      Draw(f.path, false, true);
      return;
    }
    case kEmrPolyDraw:
    case kEmrPolyDraw16: {
      uint32_t n = pts.count;
      uint64_t typesAt = 28 + static_cast<uint64_t>(n) * (small ? 4 : 8);
      if (!RecordHas(r, typesAt, n)) return;
      const uint8_t* types = r.bytes + typesAt;
      fromCurrent();
      DPoint start = s.cur;
      for (uint32_t i = 0; i < n; ++i) {
        uint8_t kind = types[i] & ~kPtCloseFigure;
        if (kind == kPtMoveTo) {
          f.Move(pts.X(i), pts.Y(i));
          start = {pts.X(i), pts.Y(i)};
        } else if (kind == kPtLineTo) {
          f.Line(pts.X(i), pts.Y(i));
        } else if (kind == kPtBezierTo && i + 2 < n) {
          f.Bezier(pts.X(i), pts.Y(i), pts.X(i + 1), pts.Y(i + 1), pts.X(i + 2), pts.Y(i + 2));
          i += 2;
        } else {
          return;  // a malformed type list draws nothing
        }
        s.cur = {pts.X(i), pts.Y(i)};
        if (types[i] & kPtCloseFigure) {
          f.Close();
          s.cur = start;
        }
      }
      Draw(f.path, false, true);
      return;
    }
    default: break;
  }
  // Poly-polylines and poly-polygons: part counts, then all the points; the
  // counts are trusted only as far as the record holds points for them.
  uint32_t parts = RecordU32(r, 24);
  if (!RecordHas(r, 32, 4ull * parts)) return;
  uint64_t base = 32 + 4ull * parts;
  if (base > r.size) return;
  PointList all(r, static_cast<uint32_t>(base), small, RecordU32(r, 28));
  bool polygon = r.type == kEmrPolyPolygon || r.type == kEmrPolyPolygon16;
  uint32_t at = 0;
  for (uint32_t i = 0; i < parts; ++i) {
    uint32_t n = RecordU32(r, 32 + 4 * i);
    if (n > all.count - at) break;
    if (n > 0) {
      f.Move(all.X(at), all.Y(at));
      for (uint32_t k = 1; k < n; ++k) f.Line(all.X(at + k), all.Y(at + k));
      if (polygon) f.Close();
    }
    at += n;
  }
  Draw(f.path, polygon, true);
}

// The path bracket and what is done with the path it makes.
void Player::PathRecord(const EmfRecord& r) {
  switch (r.type) {
    case kEmrBeginPath:
      inPath = true;
      figureOpen = false;
      widened = false;
      path = Path{};
      return;
    case kEmrEndPath: inPath = false; return;
    case kEmrAbortPath:
      inPath = false;
      path = Path{};
      return;
    case kEmrCloseFigure:
      if (inPath && !path.verbs.empty() && path.verbs.back() != PathVerb::kClose)
        path.verbs.push_back(PathVerb::kClose);
      figureOpen = false;
      return;
    case kEmrFlattenPath: return;  // curves are kept: the painter draws them true
    case kEmrWidenPath: widened = true; return;
    default: break;
  }
  if (inPath) return;  // the path is used only once it is closed
  Full();
  if (valid && !path.verbs.empty()) {
    FillStyle fill = Fill();
    StrokeStyle stroke = Stroke();
    switch (r.type) {
      case kEmrFillPath:
        // A widened path is its outline's area: the pen's width filled with the brush.
        if (widened) {
          stroke.colour = s.brush.colour;
          stroke.style = kPenSolid;
          if (s.brush.style != kBrushNull) dc->DrawPath(path, nullptr, &stroke);
        } else {
          dc->DrawPath(path, &fill, nullptr);
        }
        break;
      case kEmrStrokePath:
        if (s.pen.style != kPenNull) dc->DrawPath(path, nullptr, &stroke);
        break;
      case kEmrStrokeAndFillPath: dc->DrawPath(path, &fill, s.pen.style != kPenNull ? &stroke : nullptr); break;
      case kEmrSelectClipPath: {
        int mode = static_cast<int>(RecordU32(r, 8));
        if (widened) break;
        Clip(RegionFromPath(path, s.fillMode, rect.right, rect.bottom), mode);
        break;
      }
      default: break;
    }
  }
  path = Path{};
  widened = false;
}

}  // namespace platform
