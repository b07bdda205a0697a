// The device-context model the EMF translator keeps: world transform, window and
// viewport, map mode, selected pen, brush and font, path flag, saved states, and
// the table of objects the file creates. Internal to readers/emf; the translator
// (emf.cpp) dispatches the state records here and asks for mapped points, the
// current pen and font, and colour numbers.
#pragma once

#include <cstdint>

#include "model/drawing.h"
#include "platform/emf_records.h"
#include "render/colours.h"

constexpr int kFontFaceUnits = 16;
constexpr int kFontBytes = 60;  // LOGFONTW up to the first 16 face-name units
constexpr int kObjectWords = 15;
// Deeper SAVEDC chains are counted but not stored, so a file of nothing but
// SAVEDC records cannot make the stack grow without bound.
constexpr int32_t kMaxSavedStates = 1 << 12;

enum EmfObjectKind : uint32_t { kObjectEmpty = 0, kObjectPen = 1, kObjectBrush = 2, kObjectFont = 6 };

struct EmfObjectSlot {
  uint32_t data[kObjectWords];
  uint32_t kind;
};

struct EmfFont {
  int32_t height, width, escapement, orientation, weight;
  uint8_t bytes[8];  // italic, underline, strike-out, charset, precisions, quality, pitch
  uint16_t face[kFontFaceUnits];
};
static_assert(sizeof(EmfFont) == kFontBytes);

// The part the saved-state stack copies.
struct EmfGraphics {
  float eM11, eM12, eM21, eM22, eDx, eDy;
  int32_t windowOrgX, windowOrgY, viewportOrgX, viewportOrgY;
  int32_t windowExtX, windowExtY, viewportExtX, viewportExtY;
  uint32_t mapMode;
  uint32_t penStyle;
  int32_t penWidthX, penWidthY;
  ColourRef penColour;
  EmfFont font;
  uint32_t brushStyle;
  ColourRef brushColour;
  uint32_t brushHatch;
  int32_t pathOpen;
  int32_t drawingColour;  // colour number of the pen or brush selected last
  int32_t textColour;     // colour number
};

struct EmfState {
  EmfObjectSlot* objects;
  int32_t objectCount;
  GrowArray<EmfGraphics> saved;
  int32_t savedBeyondLimit;  // SAVEDC records past kMaxSavedStates
  EmfGraphics g;
  int32_t coloursAssigned;  // entries of the current ColourTable this translation owns
  // The figure move-to opened and line-to records extend.
  int32_t figureOpen;
  Polyline figure;
};

// Zero state, colour entry 0 black and one entry assigned.
void EmfStateInit(EmfState& state);
// Frees the object table, the stack and any open figure.
void EmfStateFree(EmfState& state);

// The handler of a state record (the types handled here); 0 only when the
// object table cannot be allocated at the header.
int HandleStateRecord(const EmfRecord& record, EmfState& state, Drawing& drawing);
bool IsStateRecord(uint32_t type);

// A logical point in drawing units, y turned upwards about `extMaxY`. Always finite.
WorldPoint MapEmfPoint(const EmfState& state, int64_t x, int64_t y, double extMaxY);

// The colour number of `colour`, assigning entries of the current ColourTable in
// order of first appearance; 0 for everything once all 256 are assigned.
int32_t FindOrAddColour(EmfState& state, ColourRef colour);
