#include "render/draw.h"

#include <cstring>
#include <vector>

#include "render/colours.h"

namespace {

constexpr uint8_t kTrueTypeOnly = 7;  // the font's output precision

platform::ColourRef ColourOf(uint8_t number) { return CurrentColourTable()[number] & 0xFFFFFF; }

}  // namespace

int SelectPenBrush(platform::DeviceContext* dc, PenCache& cache, const DevicePolyline& line) {
  platform::LogPen pen{line.penStyle, line.penWidth, 0, ColourOf(line.colour)};
  if (cache.valid && std::memcmp(&pen, &cache.pen, sizeof pen) == 0) return 1;
  cache.pen = pen;
  cache.valid = 1;
  platform::GdiObject* newPen = dc->CreatePenIndirect(pen);
  if (!newPen) return 0;
  platform::GdiObject* newBrush = dc->CreateBrushIndirect({platform::kBrushSolid, pen.colour, 0});
  if (!newBrush) return 0;
  platform::GdiObject* oldPen = dc->SelectObject(newPen);
  if (!oldPen) return 0;
  platform::GdiObject* oldBrush = dc->SelectObject(newBrush);
  if (!oldBrush) return 0;
  return dc->DeleteObject(oldPen) && dc->DeleteObject(oldBrush);
}

int SelectTextFont(platform::DeviceContext* dc, FontCache& cache, const DeviceText& text) {
  platform::LogFont font{};
  font.height = -text.height;
  font.escapement = text.escapement;
  font.orientation = text.escapement;
  font.outPrecision = kTrueTypeOnly;
  if (text.face) {
    std::strncpy(font.faceName, text.face, platform::kLfFaceSize - 1);
    font.faceName[platform::kLfFaceSize - 1] = 0;
  }
  if (cache.valid && std::memcmp(&font, &cache.font, sizeof font) == 0 && text.colour == cache.colour) return 1;
  cache.font = font;
  cache.colour = text.colour;
  cache.valid = 1;
  if (dc->SetTextColor(ColourOf(text.colour)) == platform::kInvalidColour) return 0;
  platform::GdiObject* newFont = dc->CreateFontIndirect(font);
  if (!newFont) return 0;
  platform::GdiObject* oldFont = dc->SelectObject(newFont);
  if (!oldFont) return 0;
  return dc->DeleteObject(oldFont);
}

namespace {

int DrawOne(platform::DeviceContext* dc, PenCache& cache, const DevicePolyline& line,
            std::vector<platform::Point>& points) {
  if (line.points.count < 2) return 1;
  if (!SelectPenBrush(dc, cache, line)) return 0;
  points.resize(static_cast<size_t>(line.points.count));
  for (int32_t i = 0; i < line.points.count; ++i) points[i] = {line.points[i].x, line.points[i].y};
  return line.filled ? dc->Polygon(points.data(), line.points.count) : dc->Polyline(points.data(), line.points.count);
}

}  // namespace

int DrawPolylines(platform::DeviceContext* dc, const GrowArray<DevicePolyline>& polylines) {
  if (!dc) return 0;
  PenCache cache{};
  std::vector<platform::Point> points;
  for (const DevicePolyline& line : polylines)
    if (!DrawOne(dc, cache, line, points)) return 0;
  return 1;
}

int DrawDrawing(platform::DeviceContext* dc, const Drawing& drawing, double scale) {
  if (!dc) return 0;
  PenCache cache{};
  std::vector<platform::Point> points;
  GrowArray<DeviceText> texts{};
  int ok = FlattenEachPolyline(
      drawing, scale, [&](const DevicePolyline& line) { return DrawOne(dc, cache, line, points); }, texts);
  if (ok) ok = DrawTexts(dc, texts);
  ArrayFree(texts);
  return ok;
}

int DrawTexts(platform::DeviceContext* dc, const GrowArray<DeviceText>& texts) {
  if (!dc) return 0;
  FontCache cache{};
  for (const DeviceText& text : texts) {
    if (!SelectTextFont(dc, cache, text)) return 0;
    if (!text.text) continue;
    if (!dc->TextOut(text.x, text.y, text.text, static_cast<int64_t>(std::strlen(text.text)))) return 0;
  }
  return 1;
}
