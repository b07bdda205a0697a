// A small GDI-shaped painter: memory device contexts holding pens, brushes,
// fonts, palettes and device-independent bitmaps, and the drawing calls the
// renderer and the metafile player make on them.
//
// DeviceContext is an interface so that tests can put a recording device in
// place of the real one (platform/cairo_dc.cpp, aliased drawing with cairo).
// Objects belong to the device context that made them: DeleteDC releases any
// the caller did not delete, and deleting a selected object puts the stock
// object of its kind back in its place, so no object is ever used after it
// was released.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clip.h"

namespace platform {

using ColourRef = uint32_t;  // 0x00BBGGRR

// 0x00BBGGRR to 0x00RRGGBB and back: red and blue change places.
constexpr uint32_t RedBlueSwapped(uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }
// The colour as an opaque 0xAARRGGBB pixel, as cairo's and the DIB decoder's
// 32-bit pixels hold it.
constexpr uint32_t OpaqueArgb(ColourRef c) { return 0xFF000000u | RedBlueSwapped(c); }
constexpr ColourRef kInvalidColour = 0xFFFFFFFF;

struct Point {
  int32_t x;
  int32_t y;
};

struct Rect {
  int32_t left;
  int32_t top;
  int32_t right;   // exclusive
  int32_t bottom;  // exclusive
};

enum PenStyle : int32_t {
  kPenSolid = 0,
  kPenDash = 1,
  kPenDot = 2,
  kPenDashDot = 3,
  kPenDashDotDot = 4,
  kPenNull = 5,
};

// On and off lengths, in pixels, of the patterned pens one pixel wide; wider
// pens draw solid.
inline constexpr double kDash[] = {18, 6};
inline constexpr double kDot[] = {3, 3};
inline constexpr double kDashDot[] = {9, 6, 3, 6};
inline constexpr double kDashDotDot[] = {9, 3, 3, 3, 3, 3};

// The logical-pen record: style, width, a second width that is unused, colour.
struct LogPen {
  int32_t style;
  int32_t width;  // pixels; 0 and 1 draw one pixel wide
  int32_t widthY;
  ColourRef colour;
};

enum BrushStyle : uint32_t { kBrushSolid = 0, kBrushNull = 1, kBrushHatched = 2, kBrushPattern = 3 };

// Hatch styles, with their GDI values.
enum HatchStyle : uint32_t {
  kHatchHorizontal = 0,
  kHatchVertical = 1,
  kHatchForwardDiagonal = 2,  // top-left to bottom-right
  kHatchBackwardDiagonal = 3,
  kHatchCross = 4,
  kHatchDiagonalCross = 5,
};

struct LogBrush {
  uint32_t style;
  ColourRef colour;
  uint32_t hatch;
};

constexpr int kLfFaceSize = 32;

// The logical-font record. No padding: it is compared byte for byte.
struct LogFont {
  int32_t height;  // < 0: em height in pixels; > 0: cell height; 0: no text is drawn
  int32_t width;
  int32_t escapement;  // tenths of a degree, counter-clockwise
  int32_t orientation;
  int32_t weight;  // 0 default, 700 bold
  uint8_t italic;
  uint8_t underline;
  uint8_t strikeOut;
  uint8_t charSet;
  uint8_t outPrecision;
  uint8_t clipPrecision;
  uint8_t quality;
  uint8_t pitchAndFamily;
  char faceName[kLfFaceSize];
};
static_assert(sizeof(LogFont) == 60);

enum class ObjectKind { kPen, kBrush, kFont, kPalette, kBitmap };

enum class StockObject { kLightGreyBrush, kWhiteBrush, kBlackBrush, kNullBrush, kBlackPen, kNullPen, kSystemFont };

// Background modes and text alignment flags, with their GDI values.
constexpr int kTransparent = 1;
constexpr int kOpaque = 2;
constexpr uint32_t kTaLeft = 0, kTaRight = 2, kTaCenter = 6;
constexpr uint32_t kTaTop = 0, kTaBottom = 8, kTaBaseline = 24;
constexpr int kColourOnColour = 3;

// Colour tables of bitmaps made by CreateDIBSection.
constexpr int kDibRgbColours = 0;  // 24 bits per pixel
constexpr int kDibPalColours = 1;  // indices into the context's selected palette

// Fill modes and binary raster operations, with their GDI values.
constexpr int kAlternate = 1;
constexpr int kWinding = 2;
enum Rop2 : int {
  kR2Black = 1,
  kR2NotMergePen = 2,
  kR2MaskNotPen = 3,
  kR2NotCopyPen = 4,
  kR2MaskPenNot = 5,
  kR2Not = 6,
  kR2XorPen = 7,
  kR2NotMaskPen = 8,
  kR2MaskPen = 9,
  kR2NotXorPen = 10,
  kR2Nop = 11,
  kR2MergeNotPen = 12,
  kR2CopyPen = 13,
  kR2MergePenNot = 14,
  kR2MergePen = 15,
  kR2White = 16,
};

// Outlines in device pixels (fractional), for the metafile player: figures
// of straight lines and cubic Bézier curves (a curve takes three points: two
// controls and its end).
enum class PathVerb : uint8_t { kMove, kLine, kBezier, kClose };
struct Path {
  std::vector<PathVerb> verbs;
  std::vector<DPoint> points;  // one per kMove and kLine, three per kBezier, none per kClose
};

// Pen end caps and joins, with their GDI values.
constexpr uint32_t kCapRound = 0, kCapSquare = 1, kCapFlat = 2;
constexpr uint32_t kJoinRound = 0, kJoinBevel = 1, kJoinMiter = 2;
constexpr int kPenUserStyle = 7;

// How a path's outline is drawn. A width below 1.5 pixels draws one-pixel
// lines; the dashes of a wide pen grow with its width.
struct StrokeStyle {
  ColourRef colour = 0;
  double width = 0;
  int32_t style = kPenSolid;  // PenStyle, or kPenUserStyle with `dashes`
  uint32_t cap = kCapRound;
  uint32_t join = kJoinRound;
  double miterLimit = 10;
  std::vector<double> dashes;  // device pixels, on and off in turn
};

struct DibImage;  // platform/dib.h
struct BlitSource;
struct BlitOp;

// How a path's interior is filled: a solid colour, a hatch over the
// background (opaque background mode), an image tiled from the device origin,
// or nothing.
struct FillStyle {
  uint32_t style = kBrushSolid;
  ColourRef colour = 0;
  uint32_t hatch = 0;
  const DibImage* pattern = nullptr;  // kBrushPattern
};

// A set of device pixels as rectangles that do not overlap (platform/region.h).
struct Region {
  std::vector<Rect> rects;
};

// Text options and the flag of text alignment that moves the current position.
constexpr uint32_t kEtoOpaque = 2, kEtoClipped = 4;
constexpr uint32_t kTaUpdateCp = 1;

// One run of text in device pixels for the metafile player.
struct TextRun {
  DPoint at;  // reference point of the alignment flags
  const char* utf8 = nullptr;
  int64_t length = 0;  // bytes
  // Advance of each character (code point) along the baseline, or null for
  // the font's own advances.
  const double* advances = nullptr;
  int64_t advanceCount = 0;
  LogFont font{};        // height and width in device pixels; escapement and
                         // orientation in tenths of a degree counter-clockwise on the page
  uint32_t options = 0;  // kEtoOpaque, kEtoClipped
  Rect rect{};           // opaque or clipping rectangle
};

// Every object is made by a DeviceContext and known to callers by kind only.
struct GdiObject {
  ObjectKind kind;
  bool stock;
  virtual ~GdiObject() = default;
};

struct DeviceContext {
  virtual ~DeviceContext() = default;

  // Objects: null on failure.
  virtual GdiObject* CreatePenIndirect(const LogPen& pen) = 0;
  virtual GdiObject* CreateBrushIndirect(const LogBrush& brush) = 0;
  virtual GdiObject* CreateFontIndirect(const LogFont& font) = 0;
  // `entries`: `count` (1 to 256) four-byte entries red, green, blue, flags.
  virtual GdiObject* CreatePalette(const uint8_t* entries, int count) = 0;
  // `info`: a 40-byte bitmap info header (a negative height means rows top-down;
  // 1, 8 or 24 bits per pixel). The rows are zero-filled, top-down, each padded to
  // a multiple of 4 bytes; their address is stored in *bits and they stay owned by
  // the bitmap. With `drawnIsInk`, a 1-bit bitmap takes bit 1 for every pixel
  // drawn and 0 elsewhere, instead of matching colours against the palette.
  virtual GdiObject* CreateDIBSection(const uint8_t* info, int usage, int drawnIsInk, uint8_t** bits) = 0;
  virtual GdiObject* GetStockObject(StockObject which) = 0;
  // Returns the object of the same kind it replaced; null on failure.
  virtual GdiObject* SelectObject(GdiObject* object) = 0;
  virtual int DeleteObject(GdiObject* object) = 0;
  virtual GdiObject* SelectPalette(GdiObject* palette, int forceBackground) = 0;
  virtual int RealizePalette() = 0;

  // State: each returns the previous value (0 or kInvalidColour on failure).
  virtual int SetBkMode(int mode) = 0;
  virtual ColourRef SetBkColor(ColourRef colour) = 0;
  virtual ColourRef SetTextColor(ColourRef colour) = 0;
  virtual uint32_t SetTextAlign(uint32_t align) = 0;
  virtual int SetStretchBltMode(int mode) = 0;

  // Drawing into the selected bitmap: 1 or 0.
  virtual int Polyline(const Point* points, int count) = 0;
  // Closed: brush interior by the even-odd rule, then the pen outline.
  virtual int Polygon(const Point* points, int count) = 0;
  virtual int FillRect(const Rect& rect, GdiObject* brush) = 0;
  // `length` bytes of Windows-1252 text at (x, y) with the selected font.
  virtual int TextOut(int32_t x, int32_t y, const char* text, int64_t length) = 0;
  // Brings the selected bitmap's rows up to date with everything drawn.
  virtual int GdiFlush() = 0;

  // The metafile player's drawing, in device pixels. Each returns the previous
  // value, or 1 or 0 for the drawing calls.
  virtual int SetPolyFillMode(int mode) = 0;
  virtual int SetRop2(int rop) = 0;
  // Fill (when given, by the fill mode) then outline (when given), through the
  // clip region and the raster operation.
  virtual int DrawPath(const Path& path, const FillStyle* fill, const StrokeStyle* stroke) = 0;
  // Null lifts the clip.
  virtual int SelectClipRegion(const Region* region) = 0;
  // Draws the run with the text colour, the background mode and colour and the
  // alignment flags in effect; `*advance` (when given) gets the run's advance.
  virtual int DrawTextRun(const TextRun& run, double* advance) = 0;
  // Draws an image (or, without one, the pattern) through the clip region; see
  // platform/dib.h.
  virtual int Blit(const BlitSource& source, const BlitOp& op) = 0;
};

// A memory device context with the stock black pen, white brush and system
// font selected and no bitmap; null on failure.
DeviceContext* CreateCompatibleDC();
// Releases the context and every object it made that is still alive.
int DeleteDC(DeviceContext* dc);

}  // namespace platform
