// Word readers and interpreter state of the Gerber reader: number formats,
// G/D/M codes, % parameter blocks, and aperture definitions turned into blocks.
// Internal to readers/gerber (and its tests); the entry points are in gerber.h.
//
// Every reader takes the position and the end of the data and never looks at
// or past `end`: the buffer is the file as read, with no terminating NUL.
#pragma once

#include <cstdint>

#include "model/arcs.h"
#include "model/drawing.h"

namespace gerber {

constexpr int kFirstAperture = 10;
constexpr int kLastAperture = 999;
constexpr int kApertureCount = kLastAperture - kFirstAperture + 1;
constexpr int kMaxApertureParameters = 4;
constexpr int kMaxFormatDigits = 6;
// Longest number text handed to the decimal conversion; longer digit runs are cut.
constexpr int kMaxNumberText = 299;
// Scale factors outside this range are taken as 1.
constexpr double kMinScale = 0.0001;
constexpr double kMaxScale = 1000.0;

enum class ZeroMode { kTrailingOmitted, kLeadingOmitted, kPlain };

enum Interpolation : int32_t { kLinear = 0, kClockwise = 1, kCounterClockwise = 3 };

struct ApertureDef {
  char shape;  // 'C', 'R', 'O', 'P', 'M'; 0 while undefined
  double parameters[kMaxApertureParameters];
  int32_t parameterCount;
};

struct GerberState {
  int32_t exposureOn;
  int32_t flash;
  int32_t newStroke;
  int32_t aperture;
  int32_t interpolation;
  int32_t multiQuadrant;
  int32_t incremental;
  int32_t trailingZerosOmitted;
  int32_t xIntegerDigits, xDecimalDigits, yIntegerDigits, yDecimalDigits;
  WorldPoint previous;
  WorldPoint current;
  double i, j;
  ApertureDef apertures[kApertureCount];
  double scaleX, scaleY;
  int32_t coordinatesGiven;
  // Block index of each aperture number once built, else -1: spares a search
  // through the blocks by name on every flash.
  int32_t blockOf[kApertureCount];
  ArcTurns* turns;  // the arcs' cosines and sines, for the next arcs from the same angle
};

// Zero-fills the state and gives it its defaults: format 2.3 on both axes,
// leading zeros omitted, absolute, linear, scale 1.
void GerberStateInit(GerberState& state);

inline ZeroMode ZeroModeOf(const GerberState& state) {
  return state.trailingZerosOmitted ? ZeroMode::kTrailingOmitted : ZeroMode::kLeadingOmitted;
}

const char* ReadGerberNumber(const char* p, const char* end, int integerDigits, int decimalDigits, ZeroMode mode,
                             double* value);
const char* ReadDigits(const char* p, const char* end, int n, int32_t* value);
const char* SkipBlockEnd(const char* p, const char* end);
// The same without the '%': between commands a '%' after a '*' opens the next
// parameter block (files written on one line), it never closes one.
const char* SkipCommandEnd(const char* p, const char* end);
// `p` is just after the opening '%'; returns the position after the closing '%'
// and its block end.
const char* ParseGerberParameter(const char* p, const char* end, GerberState& state);
// `p` is just after the code letter.
const char* ParseGCode(const char* p, const char* end, GerberState& state);
const char* ParseDCode(const char* p, const char* end, GerberState& state);
const char* ParseMCode(const char* p, const char* end, GerberState& state);

// Index of the block "APR_nnn" of the selected aperture, built on first use
// from its definition; -1 when the aperture has no outline we can draw
// (polygon, macro, undefined, too few parameters).
int32_t MakeApertureBlock(GerberState& state, Drawing& drawing);

// Doubles `array`'s storage when full. The containers' own fixed step would give
// every two-point trace a page of storage, and a million flashes a quadratic
// amount of copying.
void ReserveOneMore(void** data, int32_t count, int32_t* capacity, int64_t elementSize);
// Room for `more` points beyond the list's count, taken at once.
void ReservePoints(GrowArray<WorldPoint>& points, int64_t more);

template <class T>
void AppendGrowing(GrowArray<T>& array, const T& record) {
  if (array.count == array.capacity) {
    void* data = array.data;
    ReserveOneMore(&data, array.count, &array.capacity, static_cast<int64_t>(sizeof(T)));
    array.data = static_cast<T*>(data);
  }
  array.elementSize = static_cast<int32_t>(sizeof(T));
  array.data[array.count++] = record;
}

inline void AppendPoint(GrowArray<WorldPoint>& points, WorldPoint p) { AppendGrowing(points, p); }

}  // namespace gerber
