// The player's text records: each run is placed at its mapped reference point
// (or the current position), its font scaled by the mapping and turned by the
// escapement and by any rotation of the mapping.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/charset.h"
#include "platform/emf_player_state.h"

namespace platform {

namespace {

constexpr uint32_t kMaxChars = 1 << 16;
constexpr uint32_t kEtoNoRect = 0x100, kEtoSmallChars = 0x200, kEtoPdy = 0x2000;
constexpr uint32_t kEmrTextSize = 40;
constexpr uint32_t kGmAdvanced = 2;

struct RunFields {
  double x, y;
  uint32_t count;
  uint32_t offString;
  uint32_t options;
  double left, top, right, bottom;
  uint32_t offDx;
};

RunFields ReadRun(const EmfRecord& r, uint32_t at) {
  return {static_cast<double>(RecordI32(r, at)),
          static_cast<double>(RecordI32(r, at + 4)),
          RecordU32(r, at + 8),
          RecordU32(r, at + 12),
          RecordU32(r, at + 16),
          static_cast<double>(RecordI32(r, at + 20)),
          static_cast<double>(RecordI32(r, at + 24)),
          static_cast<double>(RecordI32(r, at + 28)),
          static_cast<double>(RecordI32(r, at + 32)),
          RecordU32(r, at + 36)};
}

}  // namespace

void Player::Text(const EmfRecord& r) {
  if (inPath) return;
  const Xform& m = Full();
  if (!valid) return;
  double xScale = std::hypot(m.m11, m.m12), yScale = std::hypot(m.m21, m.m22);
  auto drawRun = [&](const RunFields& f, bool wide, bool smallChars, bool withRect) {
    uint32_t unit = wide && !smallChars ? 2 : 1;
    if (f.count == 0 && !(f.options & kEtoOpaque)) return;
    if (f.count > kMaxChars || !RecordHas(r, f.offString, static_cast<uint64_t>(f.count) * unit)) return;
    const uint8_t* chars = r.bytes + f.offString;
    DecodedText text = unit == 2 ? Utf16ToUtf8(chars, f.count) : AnsiToUtf8(chars, f.count, s.font.charSet);
    const std::string& utf8 = text.utf8;
    std::vector<double> advances;
    uint64_t dxStep = f.options & kEtoPdy ? 8 : 4;
    if (f.offDx != 0 && RecordHas(r, f.offDx, f.count * dxStep)) {
      std::vector<double> items(f.count);
      for (uint32_t i = 0; i < f.count; ++i)
        items[i] = RecordI32(r, f.offDx + static_cast<uint32_t>(i * dxStep)) * xScale;
      advances = CharacterAdvances(text, items.data(), f.count);
    }
    bool updateCp = (s.align & kTaUpdateCp) != 0;
    DPoint ref = updateCp ? s.cur : DPoint{f.x, f.y};
    TextRun run;
    run.at = Dev(ref.x, ref.y);
    run.utf8 = utf8.data();
    run.length = static_cast<int64_t>(utf8.size());
    run.advances = advances.empty() ? nullptr : advances.data();
    run.advanceCount = static_cast<int64_t>(advances.size());
    run.font = s.font;
    double h = s.font.height * yScale, w = s.font.width * xScale;
    run.font.height = static_cast<int32_t>(std::clamp(std::round(h), -1e6, 1e6));
    if (run.font.height == 0 && s.font.height != 0) run.font.height = s.font.height < 0 ? -1 : 1;
    run.font.width = static_cast<int32_t>(std::clamp(std::round(std::fabs(w)), 0.0, 1e6));
    // The mapping's own turn adds to the font's.
    int32_t turn = static_cast<int32_t>(std::lround(std::atan2(-m.m12, m.m11) * 1800 / std::numbers::pi));
    // Outside the advanced graphics mode the glyphs turn with the baseline,
    // whatever the font's orientation says.
    bool advanced = RecordU32(r, 24) == kGmAdvanced;
    run.font.escapement = s.font.escapement + turn;
    run.font.orientation = (advanced ? s.font.orientation : s.font.escapement) + turn;
    run.options = withRect ? f.options & (kEtoOpaque | kEtoClipped) : 0;
    if (withRect) run.rect = DevRect(f.left, f.top, f.right, f.bottom);
    double advance = 0;
    dc->DrawTextRun(run, &advance);
    // The current position moves by the advance for left-aligned text, back by
    // it for right-aligned text, and stays for centred text.
    uint32_t across = s.align & kTaCenter;
    if (updateCp && xScale > 0 && across != kTaCenter) s.cur.x += (across == kTaRight ? -advance : advance) / xScale;
  };
  bool wide = r.type == kEmrExtTextOutW || r.type == kEmrPolyTextOutW || r.type == kEmrSmallTextOut;
  switch (r.type) {
    case kEmrExtTextOutA:
    case kEmrExtTextOutW: {
      RunFields f = ReadRun(r, 36);
      drawRun(f, wide, false, true);
      break;
    }
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW: {
      uint32_t n = RecordU32(r, 36);
      for (uint32_t i = 0; i < n && RecordHas(r, 40 + static_cast<uint64_t>(i) * kEmrTextSize, kEmrTextSize); ++i)
        drawRun(ReadRun(r, 40 + i * kEmrTextSize), wide, false, true);
      break;
    }
    case kEmrSmallTextOut: {
      uint32_t options = RecordU32(r, 20);
      bool withRect = !(options & kEtoNoRect);
      RunFields f{static_cast<double>(RecordI32(r, 8)),
                  static_cast<double>(RecordI32(r, 12)),
                  RecordU32(r, 16),
                  withRect ? 52u : 36u,
                  options,
                  0,
                  0,
                  0,
                  0,
                  0};
      if (withRect)
        f.left = RecordI32(r, 36), f.top = RecordI32(r, 40), f.right = RecordI32(r, 44), f.bottom = RecordI32(r, 48);
      drawRun(f, true, (options & kEtoSmallChars) != 0, withRect);
      break;
    }
    default: break;
  }
}

}  // namespace platform
