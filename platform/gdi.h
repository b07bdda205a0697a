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

namespace platform {

using ColourRef = uint32_t;  // 0x00BBGGRR
constexpr ColourRef kInvalidColour = 0xFFFFFFFF;

struct Point {
  int32_t x;
  int32_t y;
};

struct Rect {
  int32_t left;
  int32_t top;
  int32_t right;  // exclusive
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

enum BrushStyle : uint32_t { kBrushSolid = 0, kBrushNull = 1 };

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
};

// A memory device context with the stock black pen, white brush and system
// font selected and no bitmap; null on failure.
DeviceContext* CreateCompatibleDC();
// Releases the context and every object it made that is still alive.
int DeleteDC(DeviceContext* dc);

}  // namespace platform
