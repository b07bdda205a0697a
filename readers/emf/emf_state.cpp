#include "readers/emf/emf_state.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kStockBit = 0x80000000u;
constexpr uint32_t kWhitePen = 6, kBlackPen = 7, kNullPen = 8;
constexpr ColourRef kWhite = 0xFFFFFF;
constexpr int32_t kColourCount = 256;
constexpr ColourRef kColourMask = 0x00FFFFFF;

// Smallest size holding the fixed fields of each state record; shorter records
// are ignored rather than read past their end.
uint32_t MinimumSize(uint32_t type) {
  switch (type) {
    case kEmrHeader: return 58;
    case kEmrSetWindowExtEx:
    case kEmrSetWindowOrgEx:
    case kEmrSetViewportExtEx:
    case kEmrSetViewportOrgEx: return 16;
    case kEmrSetMapMode:
    case kEmrSetTextColor:
    case kEmrRestoreDc:
    case kEmrSelectObject:
    case kEmrDeleteObject: return 12;
    case kEmrScaleViewportExtEx:
    case kEmrScaleWindowExtEx: return 24;
    case kEmrSetWorldTransform: return 32;
    case kEmrModifyWorldTransform: return 36;
    case kEmrCreatePen: return 28;
    case kEmrCreateBrushIndirect: return 24;
    case kEmrExtCreatePen: return 44;
    case kEmrExtCreateFontIndirectW: return 12 + kFontBytes;
    default: return 8;
  }
}

bool IsMapped(uint32_t mode) { return mode == kMmIsotropic || mode == kMmAnisotropic; }

int32_t ClampToI32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// v * num / den in 64 bits; a zero denominator leaves v unchanged.
int32_t ScaleExtent(int32_t v, int32_t num, int32_t den) {
  if (den == 0) return v;
  return ClampToI32(static_cast<int64_t>(v) * num / den);
}

Xform CurrentMatrix(const EmfGraphics& g) { return {g.eM11, g.eM12, g.eM21, g.eM22, g.eDx, g.eDy}; }

Xform ReadMatrix(const EmfRecord& r) { return RecordXform(r, 8); }

// A transform with a non-finite element, or one that does not fit in 32-bit
// floats, is refused: the current transform stays, so every mapped point stays finite.
void SetTransform(EmfGraphics& g, const Xform& m) {
  const double v[6] = {m.m11, m.m12, m.m21, m.m22, m.dx, m.dy};
  float f[6];
  for (int i = 0; i < 6; ++i) {
    f[i] = static_cast<float>(v[i]);
    if (!std::isfinite(v[i]) || !std::isfinite(f[i])) return;
  }
  g.eM11 = f[0], g.eM12 = f[1], g.eM21 = f[2], g.eM22 = f[3], g.eDx = f[4], g.eDy = f[5];
}

void SetIdentity(EmfGraphics& g) { SetTransform(g, {1, 0, 0, 1, 0, 0}); }

void PushState(EmfState& s) {
  if (s.saved.count >= kMaxSavedStates) {
    ++s.savedBeyondLimit;
    return;
  }
  ArrayAppend(s.saved, s.g);
}

void RestoreState(EmfState& s, int32_t relative) {
  if (relative >= 0) return;
  int64_t n = -static_cast<int64_t>(relative);
  // Levels saved beyond the limit were never stored; restoring into them leaves the state.
  int64_t beyond = s.savedBeyondLimit;
  if (n <= beyond) {
    s.savedBeyondLimit -= static_cast<int32_t>(n);
    return;
  }
  n -= beyond;
  int64_t m = s.saved.count;
  if (n > m) return;
  s.savedBeyondLimit = 0;
  s.g = s.saved[static_cast<int32_t>(m - n)];
  s.saved.count = static_cast<int32_t>(m - n);
}

int HandleHeader(const EmfRecord& r, EmfState& s, Drawing& drawing) {
  int64_t slots = static_cast<int64_t>(RecordU16(r, 56)) + 1;
  std::free(s.objects);
  s.objects = static_cast<EmfObjectSlot*>(std::calloc(static_cast<size_t>(slots), sizeof(EmfObjectSlot)));
  s.objectCount = 0;
  if (!s.objects) return 0;
  s.objectCount = static_cast<int32_t>(slots);
  EmfGraphics& g = s.g;
  SetIdentity(g);
  int32_t left = RecordI32(r, 8), top = RecordI32(r, 12), right = RecordI32(r, 16), bottom = RecordI32(r, 20);
  drawing.extMin = {static_cast<double>(left), static_cast<double>(top)};
  drawing.extMax = {static_cast<double>(right), static_cast<double>(bottom)};
  g.windowOrgX = left;
  g.windowOrgY = top;
  g.viewportOrgX = g.viewportOrgY = 0;
  g.windowExtX = g.viewportExtX = ClampToI32(static_cast<int64_t>(right) - left);
  g.windowExtY = g.viewportExtY = ClampToI32(static_cast<int64_t>(bottom) - top);
  PushState(s);
  return 1;
}

bool ValidSlot(const EmfState& s, uint32_t index) { return index < static_cast<uint32_t>(s.objectCount); }

void SelectObject(EmfState& s, uint32_t index) {
  EmfGraphics& g = s.g;
  if (index & kStockBit) {
    uint32_t k = index & ~kStockBit;
    if (k == kWhitePen || k == kBlackPen || k == kNullPen) {
      g.penStyle = 0;
      g.penWidthX = g.penWidthY = 0;
      g.penColour = k == kWhitePen ? kWhite : 0;
      g.drawingColour = FindOrAddColour(s, g.penColour);
    } else if ((k >= 10 && k <= 14) || k == 16 || k == 17) {
      std::memset(&g.font, 0, sizeof g.font);
      g.textColour = FindOrAddColour(s, 0);
    }
    return;
  }
  if (!ValidSlot(s, index)) return;
  const EmfObjectSlot& slot = s.objects[index];
  switch (slot.kind) {
    case kObjectPen:
      g.penStyle = slot.data[0];
      g.penWidthX = static_cast<int32_t>(slot.data[1]);
      g.penWidthY = static_cast<int32_t>(slot.data[2]);
      g.penColour = slot.data[3];
      g.drawingColour = FindOrAddColour(s, g.penColour);
      break;
    case kObjectBrush:
      g.brushStyle = slot.data[0];
      g.brushColour = slot.data[1];
      g.brushHatch = slot.data[2];
      g.drawingColour = FindOrAddColour(s, g.brushColour);
      break;
    case kObjectFont: std::memcpy(&g.font, slot.data, sizeof g.font); break;
    default: break;
  }
}

void CreateObject(EmfState& s, uint32_t index, uint32_t kind, const uint32_t* words, int n) {
  if (!ValidSlot(s, index)) return;
  EmfObjectSlot& slot = s.objects[index];
  std::memset(&slot, 0, sizeof slot);
  std::memcpy(slot.data, words, static_cast<size_t>(n) * sizeof(uint32_t));
  slot.kind = kind;
}

}  // namespace

void EmfStateInit(EmfState& state) {
  std::memset(static_cast<void*>(&state), 0, sizeof state);
  state.saved.elementSize = sizeof(EmfGraphics);
  state.figure.points.elementSize = sizeof(WorldPoint);
  CurrentColourTable()[0] = 0;
  state.coloursAssigned = 1;
}

void EmfStateFree(EmfState& state) {
  std::free(state.objects);
  state.objects = nullptr;
  state.objectCount = 0;
  ArrayFree(state.saved);
  ArrayFree(state.figure.points);
  state.figureOpen = 0;
}

bool IsStateRecord(uint32_t type) {
  switch (type) {
    case kEmrHeader:
    case kEmrSetWindowExtEx:
    case kEmrSetWindowOrgEx:
    case kEmrSetViewportExtEx:
    case kEmrSetViewportOrgEx:
    case kEmrSetMapMode:
    case kEmrSetTextColor:
    case kEmrScaleViewportExtEx:
    case kEmrScaleWindowExtEx:
    case kEmrSaveDc:
    case kEmrRestoreDc:
    case kEmrSetWorldTransform:
    case kEmrModifyWorldTransform:
    case kEmrSelectObject:
    case kEmrCreatePen:
    case kEmrCreateBrushIndirect:
    case kEmrDeleteObject:
    case kEmrBeginPath:
    case kEmrEndPath:
    case kEmrExtCreateFontIndirectW:
    case kEmrExtCreatePen: return true;
    default: return false;
  }
}

int HandleStateRecord(const EmfRecord& r, EmfState& s, Drawing& drawing) {
  if (r.size < MinimumSize(r.type)) return 1;
  EmfGraphics& g = s.g;
  switch (r.type) {
    case kEmrHeader: return HandleHeader(r, s, drawing);
    case kEmrSetWindowExtEx:
      if (IsMapped(g.mapMode)) g.windowExtX = RecordI32(r, 8), g.windowExtY = RecordI32(r, 12);
      break;
    case kEmrSetViewportExtEx:
      if (IsMapped(g.mapMode)) g.viewportExtX = RecordI32(r, 8), g.viewportExtY = RecordI32(r, 12);
      break;
    case kEmrSetWindowOrgEx: g.windowOrgX = RecordI32(r, 8), g.windowOrgY = RecordI32(r, 12); break;
    case kEmrSetViewportOrgEx: g.viewportOrgX = RecordI32(r, 8), g.viewportOrgY = RecordI32(r, 12); break;
    case kEmrSetMapMode:
      g.mapMode = RecordU32(r, 8);
      if (!IsMapped(g.mapMode)) {
        g.windowOrgX = g.windowOrgY = g.viewportOrgX = g.viewportOrgY = 0;
        g.viewportExtX = g.windowExtX;
        g.viewportExtY = g.windowExtY;
      }
      break;
    case kEmrSetTextColor: g.textColour = FindOrAddColour(s, RecordU32(r, 8)); break;
    case kEmrScaleViewportExtEx:
      g.viewportExtX = ScaleExtent(g.viewportExtX, RecordI32(r, 8), RecordI32(r, 12));
      g.viewportExtY = ScaleExtent(g.viewportExtY, RecordI32(r, 16), RecordI32(r, 20));
      break;
    case kEmrScaleWindowExtEx:
      g.windowExtX = ScaleExtent(g.windowExtX, RecordI32(r, 8), RecordI32(r, 12));
      g.windowExtY = ScaleExtent(g.windowExtY, RecordI32(r, 16), RecordI32(r, 20));
      break;
    case kEmrSaveDc: PushState(s); break;
    case kEmrRestoreDc: RestoreState(s, RecordI32(r, 8)); break;
    case kEmrSetWorldTransform: SetTransform(g, ReadMatrix(r)); break;
    case kEmrModifyWorldTransform: {
      uint32_t mode = RecordU32(r, 32);
      Xform m = ReadMatrix(r);
      if (mode == 1)
        SetIdentity(g);
      else if (mode == 2)
        SetTransform(g, Multiply(m, CurrentMatrix(g)));
      else if (mode == 3)
        SetTransform(g, Multiply(CurrentMatrix(g), m));
      break;
    }
    case kEmrSelectObject: SelectObject(s, RecordU32(r, 8)); break;
    case kEmrCreatePen: {
      const uint32_t pen[4] = {RecordU32(r, 12), RecordU32(r, 16), RecordU32(r, 20), RecordU32(r, 24)};
      CreateObject(s, RecordU32(r, 8), kObjectPen, pen, 4);
      break;
    }
    case kEmrExtCreatePen: {
      const uint32_t pen[4] = {RecordU32(r, 28), RecordU32(r, 32), 0, RecordU32(r, 40)};
      CreateObject(s, RecordU32(r, 8), kObjectPen, pen, 4);
      break;
    }
    case kEmrCreateBrushIndirect: {
      const uint32_t brush[3] = {RecordU32(r, 12), RecordU32(r, 16), RecordU32(r, 20)};
      CreateObject(s, RecordU32(r, 8), kObjectBrush, brush, 3);
      break;
    }
    case kEmrExtCreateFontIndirectW: {
      uint32_t font[kObjectWords];
      for (int i = 0; i < kObjectWords; ++i) font[i] = RecordU32(r, 12 + 4 * i);
      CreateObject(s, RecordU32(r, 8), kObjectFont, font, kObjectWords);
      break;
    }
    case kEmrDeleteObject: {
      uint32_t index = RecordU32(r, 8);
      if (ValidSlot(s, index)) std::memset(&s.objects[index], 0, sizeof s.objects[index]);
      break;
    }
    case kEmrBeginPath: g.pathOpen = 1; break;
    case kEmrEndPath: g.pathOpen = 0; break;
    default: break;
  }
  return 1;
}

WorldPoint MapEmfPoint(const EmfState& state, int64_t x, int64_t y, double extMaxY) {
  const EmfGraphics& g = state.g;
  long double u = x * static_cast<long double>(g.eM11) + y * static_cast<long double>(g.eM21) + g.eDx;
  long double v = x * static_cast<long double>(g.eM12) + y * static_cast<long double>(g.eM22) + g.eDy;
  // A zero window extent leaves that axis unscaled instead of dividing by zero.
  long double rx = g.windowExtX ? static_cast<long double>(g.viewportExtX) / g.windowExtX : 1.0L;
  long double ry = g.windowExtY ? static_cast<long double>(g.viewportExtY) / g.windowExtY : 1.0L;
  double X = static_cast<double>((u - g.windowOrgX) * rx + g.viewportOrgX);
  double Y = static_cast<double>(extMaxY - ((v - g.windowOrgY) * ry + g.viewportOrgY));
  // Finite transforms keep every result finite; this only guards the contract.
  if (!std::isfinite(X)) X = 0;
  if (!std::isfinite(Y)) Y = 0;
  return {X, Y};
}

int32_t FindOrAddColour(EmfState& state, ColourRef colour) {
  colour &= kColourMask;  // the palette-index and palette-relative flags are not colours
  if (state.coloursAssigned >= kColourCount) return 0;
  ColourRef* table = CurrentColourTable();
  for (int32_t i = 0; i < state.coloursAssigned; ++i)
    if (table[i] == colour) return i;
  table[state.coloursAssigned] = colour;
  return state.coloursAssigned++;
}
