// A device context that draws nothing and records what it is asked to do, so
// drawing code can be tested through its calls instead of its pixels.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace testing_support {

struct RecordedObject : platform::GdiObject {
  platform::LogPen pen{};
  platform::LogBrush brush{};
  platform::LogFont font{};
};

// One drawing call: "polyline", "polygon", "fillrect" or "textout", with the
// objects and colours in effect when it was made.
struct Recorded {
  std::string what;
  std::vector<platform::Point> points;
  platform::LogPen pen;
  platform::LogBrush brush;
  platform::LogFont font;
  platform::ColourRef textColour;
  std::string text;
};

class RecordingDevice : public platform::DeviceContext {
 public:
  RecordingDevice() {
    pen_ = Make(platform::ObjectKind::kPen, true);
    brush_ = Make(platform::ObjectKind::kBrush, true);
    brush_->brush.colour = 0xFFFFFF;
    font_ = Make(platform::ObjectKind::kFont, true);
  }

  std::vector<Recorded> calls;
  int pensMade = 0, brushesMade = 0, fontsMade = 0, deleted = 0, textColoursSet = 0;

  platform::GdiObject* CreatePenIndirect(const platform::LogPen& pen) override {
    ++pensMade;
    RecordedObject* o = Make(platform::ObjectKind::kPen, false);
    o->pen = pen;
    return o;
  }
  platform::GdiObject* CreateBrushIndirect(const platform::LogBrush& brush) override {
    ++brushesMade;
    RecordedObject* o = Make(platform::ObjectKind::kBrush, false);
    o->brush = brush;
    return o;
  }
  platform::GdiObject* CreateFontIndirect(const platform::LogFont& font) override {
    ++fontsMade;
    RecordedObject* o = Make(platform::ObjectKind::kFont, false);
    o->font = font;
    return o;
  }
  platform::GdiObject* CreatePalette(const uint8_t*, int) override {
    return Make(platform::ObjectKind::kPalette, false);
  }
  platform::GdiObject* CreateDIBSection(const uint8_t*, int, int, uint8_t**) override { return nullptr; }
  platform::GdiObject* GetStockObject(platform::StockObject) override { return brush_; }
  platform::GdiObject* SelectObject(platform::GdiObject* object) override {
    auto* o = static_cast<RecordedObject*>(object);
    if (!o) return nullptr;
    RecordedObject** slot = o->kind == platform::ObjectKind::kPen     ? &pen_
                            : o->kind == platform::ObjectKind::kBrush ? &brush_
                            : o->kind == platform::ObjectKind::kFont  ? &font_
                                                                      : nullptr;
    if (!slot) return nullptr;
    RecordedObject* previous = *slot;
    *slot = o;
    return previous;
  }
  int DeleteObject(platform::GdiObject* object) override {
    if (!object) return 0;
    if (!object->stock) ++deleted;
    return 1;
  }
  platform::GdiObject* SelectPalette(platform::GdiObject* palette, int) override { return palette; }
  int RealizePalette() override { return 1; }
  int SetBkMode(int) override { return platform::kOpaque; }
  platform::ColourRef SetBkColor(platform::ColourRef) override { return 0; }
  platform::ColourRef SetTextColor(platform::ColourRef colour) override {
    ++textColoursSet;
    platform::ColourRef previous = textColour_;
    textColour_ = colour;
    return previous;
  }
  uint32_t SetTextAlign(uint32_t) override { return 0; }
  int SetStretchBltMode(int) override { return 1; }
  int Polyline(const platform::Point* points, int count) override { return Record("polyline", points, count); }
  int Polygon(const platform::Point* points, int count) override { return Record("polygon", points, count); }
  int FillRect(const platform::Rect& r, platform::GdiObject*) override {
    platform::Point corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    return Record("fillrect", corners, 2);
  }
  int TextOut(int32_t x, int32_t y, const char* text, int64_t length) override {
    platform::Point at{x, y};
    Record("textout", &at, 1);
    calls.back().text.assign(text, static_cast<size_t>(length));
    return 1;
  }
  int GdiFlush() override { return 1; }

 private:
  RecordedObject* Make(platform::ObjectKind kind, bool stock) {
    objects_.push_back(std::make_unique<RecordedObject>());
    objects_.back()->kind = kind;
    objects_.back()->stock = stock;
    return objects_.back().get();
  }
  int Record(const char* what, const platform::Point* points, int count) {
    calls.push_back({what, std::vector<platform::Point>(points, points + count), pen_->pen, brush_->brush,
                     font_->font, textColour_, {}});
    return 1;
  }
  std::vector<std::unique_ptr<RecordedObject>> objects_;
  RecordedObject* pen_;
  RecordedObject* brush_;
  RecordedObject* font_;
  platform::ColourRef textColour_ = 0;
};

}  // namespace testing_support
