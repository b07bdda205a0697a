// The Gerber reader's plotting: one pass over the file's characters that hands
// the words to the word readers and executes each block at its end. Draws
// become centre-line polylines of width 0, flashes become inserts of the
// aperture blocks. Regions, macros, polarity and units are not interpreted.
#include "readers/gerber/gerber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "app/supl.h"
#include "model/arcs.h"
#include "readers/gerber/gerber_words.h"

namespace {

using gerber::GerberState;
using std::numbers::pi;

// The step of 0.01 radian, kept in single precision like the rest of the
// plotter arithmetic.
constexpr double kGerberArcStep = static_cast<double>(0.01f);
constexpr double kQuadrantStopDistance = 0.02;
// A traced arc stops within 1.5 steps of its end angle, which it reaches in
// at most one full turn (2 pi / 0.01 = 629 steps, a full circle gives 630
// points). The cap only ends the loop on input that could never stop it.
constexpr int kMaxArcPoints = 700;

Polyline NewStroke() {
  Polyline line{};
  line.colour = 1;
  line.points.elementSize = sizeof(WorldPoint);
  return line;
}

double QuadrantStop(double a, bool counterClockwise) {
  if (a == -pi / 2) return 0.0;
  if (a > pi / 2) return counterClockwise ? pi : pi / 2;
  if (a > 0) return counterClockwise ? pi / 2 : 0.0;
  if (a > -pi / 2) return counterClockwise ? 0.0 : -pi / 2;
  return counterClockwise ? -pi / 2 : -pi;
}

void TraceGerberArc(const GerberState& state, Polyline& stroke) {
  WorldPoint centre{state.previous.x + state.i, state.previous.y + state.j};
  double r = std::hypot(state.i, state.j);
  double a = std::atan2(-state.j, -state.i);
  double e = std::atan2(state.current.y - centre.y, state.current.x - centre.x);
  // Coordinates that overflowed leave no angle to go to.
  if (!std::isfinite(a) || !std::isfinite(e) || !std::isfinite(r)) return;
  bool counterClockwise = state.interpolation == gerber::kCounterClockwise;
  bool singleQuadrant = !state.multiQuadrant;
  double stop = singleQuadrant ? QuadrantStop(a, counterClockwise) : 0.0;
  // The sweep tells the walk's length closely enough to size the point list
  // once: an arc grown by doubling cost a copy per doubling and a third of
  // its storage unused.
  double sweep = counterClockwise ? e - a : a - e;
  if (sweep < 0) sweep += 2 * pi;
  if (singleQuadrant && sweep > pi / 2) sweep = pi / 2;
  gerber::ReservePoints(stroke.points, static_cast<int64_t>(sweep / kGerberArcStep) + 3);
  double d = 0.0;
  // The walk has no step count: it ends near the end angle or the quadrant's end.
  auto more = [&](int32_t i, double angle) {
    if (i >= kMaxArcPoints || (i >= 3 && d <= 1.5 * kGerberArcStep)) return false;
    d = std::fabs(angle - e);
    if (d > 2 * pi) d -= 2 * pi;
    return !(singleQuadrant && std::fabs(angle - stop) < kQuadrantStopDistance);
  };
  const double step = counterClockwise ? kGerberArcStep : -kGerberArcStep;
  ArcTurns::Walk& walk = TurnsFrom(*state.turns, a, step);
  int32_t i = 0;
  SampleArc(
      {a, step, 0.0, kMaxArcPoints, true},
      [&](double angle) {
        double c, s;
        Turn(walk, i++, angle, &c, &s);
        gerber::AppendPoint(stroke.points, {r * c + centre.x, r * s + centre.y});
      },
      more);
}

void ExecuteGerberBlock(GerberState& state, Drawing& drawing) {
  if (state.coordinatesGiven && (state.exposureOn || state.flash || state.newStroke)) {
    if (state.newStroke) {
      Polyline stroke = NewStroke();
      gerber::AppendPoint(stroke.points, state.previous);
      gerber::AppendGrowing(drawing.entities.polylines, stroke);
    }
    if (state.flash) {
      int32_t block = gerber::MakeApertureBlock(state, drawing);
      if (block >= 0)
        gerber::AppendGrowing(drawing.inserts, Insert{block, state.current.x, state.current.y, 1.0, 1.0, 0.0});
    } else if (drawing.entities.polylines.count > 0) {
      Polyline& last = drawing.entities.polylines[drawing.entities.polylines.count - 1];
      if (state.interpolation == gerber::kLinear)
        gerber::AppendPoint(last.points, state.current);
      else
        TraceGerberArc(state, last);
    }
    state.coordinatesGiven = 0;
    state.newStroke = 0;
  }
  state.previous = state.current;
}

void RunGerberCommands(const char* p, const char* end, GerberState& state, Drawing& drawing) {
  while (p < end) {
    double v;
    switch (*p) {
      case '\n':
      case '\r':
      case '*':
        ExecuteGerberBlock(state, drawing);
        p = gerber::SkipCommandEnd(p, end);
        break;
      case '%': p = gerber::ParseGerberParameter(p + 1, end, state); break;
      case 'D': p = gerber::ParseDCode(p + 1, end, state); break;
      case 'G': p = gerber::ParseGCode(p + 1, end, state); break;
      case 'M': p = gerber::ParseMCode(p + 1, end, state); break;
      case 'I':
        p = gerber::ReadGerberNumber(p + 1, end, state.xIntegerDigits, state.xDecimalDigits, gerber::ZeroModeOf(state),
                                     &state.i);
        break;
      case 'J':
        p = gerber::ReadGerberNumber(p + 1, end, state.yIntegerDigits, state.yDecimalDigits, gerber::ZeroModeOf(state),
                                     &state.j);
        break;
      case 'X':
        p = gerber::ReadGerberNumber(p + 1, end, state.xIntegerDigits, state.xDecimalDigits, gerber::ZeroModeOf(state),
                                     &v);
        state.current.x = (state.incremental ? state.previous.x : 0.0) + v * state.scaleX;
        state.coordinatesGiven = 1;
        break;
      case 'Y':
        p = gerber::ReadGerberNumber(p + 1, end, state.yIntegerDigits, state.yDecimalDigits, gerber::ZeroModeOf(state),
                                     &v);
        state.current.y = (state.incremental ? state.previous.y : 0.0) + v * state.scaleY;
        state.coordinatesGiven = 1;
        break;
      default: ++p; break;
    }
  }
}

}  // namespace

int ReadGerberData(const uint8_t* data, int64_t size, Drawing* drawing) {
  DrawingInit(*drawing);
  // About 48 KB of aperture table: kept off the stack.
  GerberState* state = static_cast<GerberState*>(std::malloc(sizeof(GerberState)));
  if (!state) OutOfMemory();
  gerber::GerberStateInit(*state);
  // Zeroed by calloc, so pages no arc reaches are never touched.
  state->turns = static_cast<ArcTurns*>(std::calloc(1, sizeof(ArcTurns)));
  if (!state->turns) OutOfMemory();
  const char* start = reinterpret_cast<const char*>(data);
  RunGerberCommands(start, start + (size > 0 ? size : 0), *state, *drawing);
  std::free(state->turns);
  std::free(state);
  // Flashes count as much as strokes: a pad-only layer must not come out empty,
  // nor pads at the board's edge cut off.
  ComputeDrawingExtents(*drawing, drawing->extMin, drawing->extMax);
  return 1;
}

int gbr_proc(const char* fileName, Drawing* drawing, ReadReport* report) {
  std::memset(static_cast<void*>(drawing), 0, sizeof *drawing);
  int64_t size = 0;
  uint8_t* data = supl_bread(fileName, &size);
  if (!data) {
    std::printf("Unable to supl_bread %s\n", fileName);
    DrawingFree(drawing);
    return Fail(report, ReadFault::kCannotOpen, 0);
  }
  int ok = ReadGerberData(data, size, drawing);
  std::free(data);
  return ok;
}
