// The metafile player's own state, shared by its record families: the
// device-context model (mapping, objects, saved states, path, clip) and the
// record handlers. Internal to platform/emf_player*.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/emf_records.h"
#include "platform/gdi.h"

namespace platform {

struct DibImage;

struct PenDesc {
  int32_t style = kPenSolid;
  double width = 0;  // logical units
  bool geometric = false;
  uint32_t cap = kCapRound;
  uint32_t join = kJoinRound;
  ColourRef colour = 0;
  std::vector<double> dashes;  // logical units for geometric pens, else pixels
};

struct BrushDesc {
  uint32_t style = kBrushSolid;
  ColourRef colour = 0xFFFFFF;
  uint32_t hatch = 0;
  std::shared_ptr<const DibImage> pattern;
};

struct PlayerObject {
  enum Kind { kEmpty, kPen, kBrush, kFont, kPalette } kind = kEmpty;
  PenDesc pen;
  BrushDesc brush;
  LogFont font{};
  std::vector<uint8_t> palette;  // red, green, blue, flags per entry
};

LogFont DefaultFont();

// What SAVEDC keeps.
struct State {
  Xform world;
  uint32_t mapMode = kMmText;
  double wox = 0, woy = 0, wex = 1, wey = 1, vox = 0, voy = 0, vex = 1, vey = 1;
  PenDesc pen;
  BrushDesc brush;
  LogFont font{};
  ColourRef textColour = 0;
  ColourRef bkColour = 0xFFFFFF;
  int bkMode = kOpaque;
  uint32_t align = 0;
  int fillMode = kAlternate;
  int rop2 = kR2CopyPen;
  int stretchMode = 1;
  double miterLimit = 10;
  bool clockwise = false;
  DPoint cur{0, 0};                    // logical
  std::shared_ptr<const Region> clip;  // null: no clip; shared, so saving states stays cheap
  int32_t palette = -1;                // selected palette object, -1 the default
};

struct Player {
  DeviceContext* dc = nullptr;
  Rect rect{};
  Xform play;  // reference-device pixels to the target rectangle
  double deviceWidth = 1, deviceHeight = 1, mmWidth = 1, mmHeight = 1;
  State s;
  std::vector<State> saved;
  int32_t savedBeyond = 0;
  std::vector<PlayerObject> objects;
  // The path bracket: figures in device pixels.
  bool inPath = false;
  bool figureOpen = false;
  bool widened = false;
  Path path;
  Xform full;
  bool dirty = true;
  bool valid = true;

  void Header(const EmfRecord& r, const Rect& target);
  int Dispatch(const EmfRecord& r);

  // Mapping.
  void SetMapMode(uint32_t mode);
  const Xform& Full();
  DPoint Dev(double x, double y);
  double Scale();
  Rect DevRect(double l, double t, double r, double b);
  void SetWorld(const Xform& m, uint32_t mode);

  // Objects and state.
  void SyncDc();
  void Stock(uint32_t index);
  void Select(uint32_t index);
  PlayerObject* Slot(uint32_t index);
  void CreatePen(const EmfRecord& r);
  void ExtCreatePen(const EmfRecord& r);
  void CreateBrush(const EmfRecord& r);
  void CreatePatternBrush(const EmfRecord& r);
  void CreateFont(const EmfRecord& r);
  void CreatePalette(const EmfRecord& r);
  void DeleteObject(uint32_t index);
  void SaveDc();
  void RestoreDc(int32_t n);
  StrokeStyle Stroke();
  FillStyle Fill();

  // Drawing: a path in device pixels, or into the open path bracket.
  void Draw(Path& p, bool fill, bool stroke);
  void Shape(const EmfRecord& r);
  void Lines(const EmfRecord& r);
  void PathRecord(const EmfRecord& r);

  // Clipping and regions.
  Region Whole() const;
  void Clip(const Region& region, int mode);
  bool ReadRegion(const EmfRecord& r, uint32_t at, uint32_t length, bool logical, Region& out);
  void RegionRecord(const EmfRecord& r);
  void ClipRect(const EmfRecord& r, bool exclude);
  void OffsetClip(const EmfRecord& r);

  // Text and bitmaps.
  void Text(const EmfRecord& r);
  void Bitmap(const EmfRecord& r);
};

}  // namespace platform
