// A device context that draws nothing and records what it is asked to do, so
// drawing code can be tested through its calls instead of its pixels.
#pragma once

#include <cmath>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dib.h"
#include "platform/gdi.h"

namespace testing_support {

struct RecordedObject : platform::GdiObject {
  platform::LogPen pen{};
  platform::LogBrush brush{};
  platform::LogFont font{};
};

// One drawing call: "polyline", "polygon", "textout", "fill", "stroke",
// "fill+stroke", "text" or "blit", with the objects and colours in effect
// when it was made.
struct Recorded {
  std::string what;
  std::vector<platform::Point> points;
  platform::LogPen pen;
  platform::LogBrush brush;
  platform::LogFont font;
  platform::ColourRef textColour;
  std::string text;
  // Paths and text runs.
  std::vector<platform::PathVerb> verbs{};
  platform::FillStyle fill{};
  platform::StrokeStyle stroke{};
  int fillMode = 0;
  std::optional<platform::Region> clip{};
};

class RecordingDevice : public platform::DeviceContext {
  using Kind = platform::ObjectKind;
  using Object = platform::GdiObject;

 public:
  // Starts with stock pen, brush (white) and font selected.
  RecordingDevice() {
    for (Kind kind : {Kind::kPen, Kind::kBrush, Kind::kFont}) selected_[kind] = Make(kind, true);
    selected_[Kind::kBrush]->brush.colour = 0xFFFFFF;
  }

  std::vector<Recorded> calls;
  int pensMade = 0, brushesMade = 0, fontsMade = 0, deleted = 0, textColoursSet = 0;

  Object* CreatePenIndirect(const platform::LogPen& pen) override {
    return Create(pensMade, Kind::kPen, &RecordedObject::pen, pen);
  }
  Object* CreateBrushIndirect(const platform::LogBrush& brush) override {
    return Create(brushesMade, Kind::kBrush, &RecordedObject::brush, brush);
  }
  Object* CreateFontIndirect(const platform::LogFont& font) override {
    return Create(fontsMade, Kind::kFont, &RecordedObject::font, font);
  }
  Object* CreatePalette(const uint8_t*, int) override { return Make(Kind::kPalette, false); }
  Object* CreateDIBSection(const uint8_t*, int, int, uint8_t**) override { return nullptr; }
  Object* GetStockObject(platform::StockObject) override { return selected_[Kind::kBrush]; }
  // Pens, brushes and fonts each have a slot; selecting gives back the one replaced.
  Object* SelectObject(Object* object) override {
    auto* o = static_cast<RecordedObject*>(object);
    return o && selected_.count(o->kind) ? std::exchange(selected_[o->kind], o) : nullptr;
  }
  int DeleteObject(Object* object) override {
    if (object && !object->stock) ++deleted;
    return object ? 1 : 0;
  }
  Object* SelectPalette(Object* palette, int) override { return palette; }
  int RealizePalette() override { return 1; }
  int SetBkMode(int) override { return platform::kOpaque; }
  platform::ColourRef SetBkColor(platform::ColourRef) override { return 0; }
  platform::ColourRef SetTextColor(platform::ColourRef colour) override {
    ++textColoursSet;
    return std::exchange(textColour_, colour);
  }
  uint32_t SetTextAlign(uint32_t) override { return 0; }
  int SetStretchBltMode(int) override { return 1; }
  int Polyline(const platform::Point* points, int count) override { return Record("polyline", points, count); }
  int Polygon(const platform::Point* points, int count) override { return Record("polygon", points, count); }
  int FillRect(const platform::Rect&, Object*) override { return 1; }
  int TextOut(int32_t x, int32_t y, const char* text, int64_t length) override {
    platform::Point at{x, y};
    Record("textout", &at, 1);
    calls.back().text.assign(text, static_cast<size_t>(length));
    return 1;
  }
  int GdiFlush() override { return 1; }
  int SetPolyFillMode(int mode) override { return std::exchange(fillMode, mode); }
  int SetRop2(int rop) override { return std::exchange(rop2, rop); }
  // Paths are recorded with their points rounded to whole pixels.
  int DrawPath(const platform::Path& path, const platform::FillStyle* fill,
               const platform::StrokeStyle* stroke) override {
    std::vector<platform::Point> points;
    for (const platform::DPoint& p : path.points)
      points.push_back({static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(p.y))});
    Record(fill && stroke ? "fill+stroke" : fill ? "fill" : "stroke", points.data(), static_cast<int>(points.size()));
    Recorded& c = calls.back();
    c.verbs = path.verbs;
    if (fill) c.fill = *fill;
    if (stroke) c.stroke = *stroke;
    c.fillMode = fillMode;
    return 1;
  }
  int SelectClipRegion(const platform::Region* region) override {
    clip = region ? std::optional<platform::Region>(*region) : std::nullopt;
    return 1;
  }
  int DrawTextRun(const platform::TextRun& run, double* advance) override {
    platform::Point at{static_cast<int32_t>(std::lround(run.at.x)), static_cast<int32_t>(std::lround(run.at.y))};
    Record("text", &at, 1);
    Recorded& c = calls.back();
    c.text.assign(run.utf8, static_cast<size_t>(run.length));
    c.font = run.font;
    if (advance) *advance = 10.0 * run.length;  // a fixed advance per byte, for the current position
    return 1;
  }

  // A blit is recorded as a call, without its picture.
  int Blit(const platform::BlitSource&, const platform::BlitOp&) override {
    const platform::Point none{};
    return Record("blit", &none, 0);
  }

  int fillMode = platform::kAlternate, rop2 = platform::kR2CopyPen;
  std::optional<platform::Region> clip;

 private:
  RecordedObject* Make(Kind kind, bool stock) {
    RecordedObject& o = objects_.emplace_back();  // a deque: the objects stay where they are
    o.kind = kind, o.stock = stock;
    return &o;
  }
  template <class T>
  RecordedObject* Create(int& counter, Kind kind, T RecordedObject::*field, const T& value) {
    ++counter;
    RecordedObject* o = Make(kind, false);
    o->*field = value;
    return o;
  }
  int Record(const char* what, const platform::Point* points, int count) {
    calls.push_back({what,
                     {points, points + count},
                     selected_[Kind::kPen]->pen,
                     selected_[Kind::kBrush]->brush,
                     selected_[Kind::kFont]->font,
                     textColour_,
                     {}});
    calls.back().clip = clip;
    return 1;
  }
  std::deque<RecordedObject> objects_;
  std::map<Kind, RecordedObject*> selected_;
  platform::ColourRef textColour_ = 0;
};

}  // namespace testing_support
