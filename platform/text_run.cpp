#include "platform/text_run.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "platform/cairo_paint.h"
#include "platform/charset.h"
#include "platform/fonts.h"

namespace platform {
namespace {

constexpr double kPi = std::numbers::pi;
// Larger em heights draw nothing: no canvas could show such a text. The
// stretched width is held within it too: FreeType refuses a face 64K pixels
// on a side, and cairo then loses the scaled font it made.
constexpr double kMaxEm = 65535;
// Above this em height glyphs are filled as outlines rather than cached bitmaps.
constexpr double kGlyphBitmapLimit = 512;
// Longer runs are not drawn: no metafile record holds so much text.
constexpr size_t kMaxRunBytes = size_t{1} << 20;
// A character's width is clamped to this stretch of the face's own.
constexpr double kMinStretch = 0.05, kMaxStretch = 20;
// How far beyond the clip glyphs and fills are kept, besides the em height.
constexpr double kGuardMargin = 64;

// The script a missing character needs, as a language tag fontconfig knows.
const char* LanguageOf(char32_t c) {
  if (c >= 0x0370 && c < 0x0400) return "el";
  if (c >= 0x0400 && c < 0x0530) return "ru";
  if (c >= 0x0590 && c < 0x0600) return "he";
  if (c >= 0x0600 && c < 0x0700) return "ar";
  if (c >= 0x0E00 && c < 0x0E80) return "th";
  if ((c >= 0x1100 && c < 0x1200) || (c >= 0xAC00 && c < 0xD7B0)) return "ko";
  if (c >= 0x2E80 && c < 0xA000) return "ja";
  if (c >= 0xF900 && c < 0xFB00) return "ja";
  if (c >= 0xFF00 && c < 0xFFF0) return "ja";
  return "";
}

// East Asian faces that documents name but we do not have, by the script
// they were made for; a face of that script stands in for them whatever the
// text. Names are matched case-blind, as a part of the face name ("MS
// PGothic", "@MS Mincho").
struct FaceScript {
  const char* part;
  const char* language;
};
constexpr FaceScript kFaceScripts[] = {
    {"mincho", "ja"},
    {"ms gothic", "ja"},
    {"ms pgothic", "ja"},
    {"ms ui gothic", "ja"},
    {"yu gothic", "ja"},
    {"meiryo", "ja"},
    {"\xE6\x98\x8E\xE6\x9C\x9D", "ja"},
    {"\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "ja"},  // Mincho and Gothic in Japanese
    {"simsun", "zh-cn"},
    {"simhei", "zh-cn"},
    {"mingliu", "zh-tw"},
    {"gulim", "ko"},
    {"batang", "ko"},
    {"dotum", "ko"},
    {"gungsuh", "ko"},
};

const char* FaceLanguage(const char* face) {
  std::string lower;
  for (const char* p = face; *p; ++p) lower += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
  for (const FaceScript& f : kFaceScripts)
    if (lower.find(f.part) != std::string::npos) return f.language;
  return "";
}

// The code point that starts at p, in valid UTF-8 ending at `end`.
char32_t FirstCodePoint(const char* p, const char* end) {
  const auto b = [&](int i) { return p + i < end ? static_cast<char32_t>(static_cast<uint8_t>(p[i])) : 0; };
  if (b(0) < 0x80) return b(0);
  if (b(0) < 0xE0) return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
  if (b(0) < 0xF0) return (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
  return (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
}

// A glyph index 0 is the face's missing-glyph box; controls have no glyph anyway.
bool Missing(const cairo_glyph_t& g, const char* bytes, const char* end) {
  if (g.index != 0) return false;
  const char32_t c = FirstCodePoint(bytes, end);
  return c >= 0x20 && !(c >= 0x7F && c < 0xA0);
}

int CountCharacters(const char* p, int bytes) {
  int n = 0;
  for (int i = 0; i < bytes; ++i) n += (static_cast<uint8_t>(p[i]) & 0xC0) != 0x80;
  return n;
}

// Face-wide measures read from the font file, in ems.
struct FaceMetrics {
  double averageWidth = 0;          // 0 when the face does not say
  double underlinePosition = -0.1;  // below the baseline when negative
  double underlineThickness = 0.05;
  double strikePosition = 0.26;
  double strikeThickness = 0.05;
};

FaceMetrics ReadFaceMetrics(cairo_scaled_font_t* scaled) {
  FaceMetrics m;
  FT_Face ft = cairo_ft_scaled_font_lock_face(scaled);
  if (!ft) return m;
  if (ft->units_per_EM > 0) {
    const double unit = 1.0 / ft->units_per_EM;
    if (ft->underline_thickness > 0) {
      m.underlinePosition = ft->underline_position * unit;
      m.underlineThickness = ft->underline_thickness * unit;
    }
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
      if (os2->xAvgCharWidth > 0) m.averageWidth = os2->xAvgCharWidth * unit;
      if (os2->yStrikeoutSize > 0) {
        // The position is the stroke's top.
        m.strikePosition = (os2->yStrikeoutPosition - os2->yStrikeoutSize / 2.0) * unit;
        m.strikeThickness = os2->yStrikeoutSize * unit;
      }
    }
  }
  cairo_ft_scaled_font_unlock_face(scaled);
  return m;
}

// A run laid out along its own baseline: x along it from the reference
// column, y down from the baseline.
struct Layout {
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  double em = 0;
  double stretch = 1;
  double width = 0;
  double ascent = 0;
  double descent = 0;
  FaceMetrics metrics;
  Layout() = default;
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;
  ~Layout() { cairo_glyph_free(glyphs); }
  void Take(Layout& other) {
    std::swap(glyphs, other.glyphs);
    std::swap(count, other.count);
    em = other.em, stretch = other.stretch, width = other.width;
    ascent = other.ascent, descent = other.descent, metrics = other.metrics;
  }
};

// Glyphs of `utf8` with `face` at the em size the height asks for (cr's font
// face, size and matrix are left set for drawing unturned). Returns false
// when cairo cannot; an empty layout when nothing is to be drawn.
bool LayOut(cairo_t* cr, cairo_font_face_t* face, const TextFont& font, std::string_view utf8, const double* advances,
            int64_t advanceCount, Layout& out, int* missing) {
  *missing = 0;
  cairo_set_font_face(cr, face);
  // A negative height asks for the em height, a positive one for the cell height.
  double em = -static_cast<double>(font.height);
  if (font.height > 0) {
    cairo_set_font_size(cr, 1.0);
    cairo_font_extents_t unit;
    cairo_font_extents(cr, &unit);
    em = font.height / std::max(unit.ascent + unit.descent, 1e-3);
  }
  if (!(em > 0) || em > kMaxEm) return true;
  cairo_set_font_size(cr, em);
  out.em = em;
  out.metrics = ReadFaceMetrics(cairo_get_scaled_font(cr));
  if (font.width != 0 && out.metrics.averageWidth > 0)
    out.stretch = std::clamp(std::abs(static_cast<double>(font.width)) / (out.metrics.averageWidth * em), kMinStretch,
                             std::min(kMaxStretch, kMaxEm / em));
  cairo_matrix_t m;
  cairo_matrix_init(&m, out.stretch * em, 0, 0, em, 0, 0);
  cairo_set_font_matrix(cr, &m);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  out.ascent = fe.ascent;
  out.descent = fe.descent;

  cairo_scaled_font_t* scaled = cairo_get_scaled_font(cr);
  cairo_text_cluster_t* clusters = nullptr;
  int clusterCount = 0;
  cairo_text_cluster_flags_t flags{};
  if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, utf8.data(), static_cast<int>(utf8.size()), &out.glyphs,
                                       &out.count, &clusters, &clusterCount, &flags) != CAIRO_STATUS_SUCCESS)
    return false;
  double natural = 0;
  if (out.count > 0) {
    cairo_text_extents_t last;
    cairo_glyph_extents(cr, &out.glyphs[out.count - 1], 1, &last);
    natural = out.glyphs[out.count - 1].x + last.x_advance;
  }
  // Each cluster moves on by the given advances of its characters, or by its
  // own width where they are not given.
  const char* bytes = utf8.data();
  double pen = 0;
  int64_t character = 0;
  for (int c = 0, g = 0; c < clusterCount && g < out.count; ++c) {
    const int first = g;
    const double start = out.glyphs[first].x;
    const int end = std::min(out.count, g + clusters[c].num_glyphs);
    const double next = end < out.count ? out.glyphs[end].x : natural;
    for (; g < end; ++g) {
      if (Missing(out.glyphs[g], bytes, utf8.data() + utf8.size())) ++*missing;
      out.glyphs[g].x = pen + (out.glyphs[g].x - start);
    }
    const int chars = CountCharacters(bytes, clusters[c].num_bytes);
    if (advances && character + chars <= advanceCount) {
      for (int k = 0; k < chars; ++k) {
        const double a = advances[character + k];
        pen += std::isfinite(a) ? a : 0;
      }
    } else {
      pen += next - start;
    }
    character += chars;
    bytes += clusters[c].num_bytes;
  }
  cairo_text_cluster_free(clusters);
  out.width = pen;
  return true;
}

// A face for the font, and when it lacks characters of the run, the face
// of the run's script if that has more of them.
bool LayOutWithFallback(cairo_t* cr, FontLibrary& fonts, const TextFont& font, std::string_view utf8,
                        const double* advances, int64_t advanceCount, Layout& out) {
  const bool bold = font.weight >= 600;
  const char* language = font.substitute ? CharSetLanguage(font.charSet) : "";
  if (font.substitute && !*language) language = FaceLanguage(font.face);
  cairo_font_face_t* face = fonts.Face(font.face, bold, font.italic, language);
  if (!face) return false;
  int missing = 0;
  if (!LayOut(cr, face, font, utf8, advances, advanceCount, out, &missing)) return false;
  if (!font.substitute || missing == 0 || out.count == 0) return true;
  if (!*language) {
    const char* p = utf8.data();
    const char* end = p + utf8.size();
    for (; p < end && !*language; ++p)
      if ((static_cast<uint8_t>(*p) & 0xC0) != 0x80) language = LanguageOf(FirstCodePoint(p, end));
  }
  cairo_font_face_t* other = fonts.Face("", bold, font.italic, language);
  if (!other || other == face) return true;
  Layout second;
  int stillMissing = 0;
  if (!LayOut(cr, other, font, utf8, advances, advanceCount, second, &stillMissing)) return false;
  if (stillMissing < missing) {
    out.Take(second);
    return true;
  }
  // cr's font must be the one the kept layout was made with.
  Layout first;
  if (!LayOut(cr, face, font, utf8, advances, advanceCount, first, &missing)) return false;
  out.Take(first);
  return true;
}

// The frame of the run on the page: its origin is the reference point moved
// by the alignment, x along the baseline, y down across it.
struct Frame {
  double ox, oy;  // origin
  double ux, uy;  // unit vector along the baseline
  DPoint At(double x, double y) const { return {ox + ux * x - uy * y, oy + uy * x + ux * y}; }
};

// Fills the band x0..x1, y0..y1 of the frame, cut to `guard` so that far-off
// points never reach cairo.
void FillBand(cairo_t* cr, const Frame& f, double x0, double y0, double x1, double y1, const Box& guard) {
  std::vector<DPoint> band = {f.At(x0, y0), f.At(x1, y0), f.At(x1, y1), f.At(x0, y1)};
  std::vector<DPoint> cut;
  ClipPolygon(band, guard, cut);
  if (cut.size() < 3) return;
  cairo_move_to(cr, cut[0].x, cut[0].y);
  for (size_t i = 1; i < cut.size(); ++i) cairo_line_to(cr, cut[i].x, cut[i].y);
  cairo_close_path(cr);
  cairo_fill(cr);
}

bool Usable(std::string_view utf8) { return !utf8.empty() && utf8.size() <= kMaxRunBytes; }

void Report(const Layout& l, const Frame& f, TextMeasure* measure) {
  if (measure) *measure = {{f.ux * l.width, f.uy * l.width}, l.width, l.ascent, l.descent};
}

void SetAliased(cairo_t* cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
}

}  // namespace

bool MeasureTextRun(cairo_t* cr, FontLibrary& fonts, const TextFont& font, std::string_view utf8,
                    const double* advances, int64_t advanceCount, TextMeasure* measure) {
  if (measure) *measure = {};
  if (!cr || font.height == 0 || !Usable(utf8) || !std::isfinite(font.escapement)) return true;
  cairo_save(cr);
  SetAliased(cr);
  Layout layout;
  bool ok = LayOutWithFallback(cr, fonts, font, utf8, advances, advanceCount, layout);
  const double angle = font.escapement * kPi / 1800.0;
  if (ok) Report(layout, {0, 0, std::cos(angle), -std::sin(angle)}, measure);
  cairo_restore(cr);
  return ok;
}

bool DrawTextRun(cairo_t* cr, FontLibrary& fonts, const TextFont& font, std::string_view utf8, const double* advances,
                 int64_t advanceCount, DPoint at, const TextStyle& style, TextMeasure* measure) {
  if (measure) *measure = {};
  if (!cr || !std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(font.escapement) ||
      !std::isfinite(font.orientation))
    return true;
  cairo_save(cr);
  SetAliased(cr);
  double left, top, right, bottom;
  cairo_clip_extents(cr, &left, &top, &right, &bottom);
  // The rectangle cut to the clip (and a pixel round it), so that far-off
  // corners never reach cairo.
  const Rect& r = style.rect;
  const double rl = std::max<double>(r.left, left - 1), rt = std::max<double>(r.top, top - 1);
  const double rw = std::max(0.0, std::min<double>(r.right, right + 1) - rl);
  const double rh = std::max(0.0, std::min<double>(r.bottom, bottom + 1) - rt);
  if (style.clipToRect) {
    cairo_rectangle(cr, rl, rt, rw, rh);
    cairo_clip(cr);
    cairo_clip_extents(cr, &left, &top, &right, &bottom);
  }
  if (style.fillRect && rw > 0 && rh > 0) {
    SetSourceColour(cr, style.background);
    cairo_rectangle(cr, rl, rt, rw, rh);
    cairo_fill(cr);
  }
  if (font.height == 0 || !Usable(utf8)) {
    cairo_restore(cr);
    return true;
  }
  Layout layout;
  if (!LayOutWithFallback(cr, fonts, font, utf8, advances, advanceCount, layout)) {
    cairo_restore(cr);
    return false;
  }
  const double angle = font.escapement * kPi / 1800.0;
  const double ux = std::cos(angle), uy = -std::sin(angle);
  const uint32_t horizontal = style.align & 6, vertical = style.align & 24;
  const double x0 = horizontal == kTaCenter ? -layout.width / 2 : horizontal == kTaRight ? -layout.width : 0;
  const double y0 = vertical == kTaBaseline ? 0 : vertical == kTaBottom ? -layout.descent : layout.ascent;
  const Frame frame = {at.x + ux * x0 - uy * y0, at.y + uy * x0 + ux * y0, ux, uy};
  Report(layout, frame, measure);
  if (layout.em == 0) {
    cairo_restore(cr);
    return true;
  }
  const double reach = 2 * layout.em * std::max(1.0, layout.stretch) + kGuardMargin;
  const Box guard = {left - reach, top - reach, right + reach, bottom + reach};

  if (style.opaqueBackground) {
    SetSourceColour(cr, style.background);
    FillBand(cr, frame, 0, -layout.ascent, layout.width, layout.descent, guard);
  }
  int kept = 0;
  for (int i = 0; i < layout.count; ++i) {
    const DPoint p = frame.At(layout.glyphs[i].x, layout.glyphs[i].y);
    if (!(p.x >= guard.left && p.y >= guard.top && p.x <= guard.right && p.y <= guard.bottom)) continue;
    layout.glyphs[kept].index = layout.glyphs[i].index;
    layout.glyphs[kept].x = p.x;
    layout.glyphs[kept].y = p.y;
    ++kept;
  }
  SetSourceColour(cr, style.colour);
  if (kept > 0) {
    // The glyphs turn by the orientation, whatever the baseline's direction.
    const double turn = font.orientation * kPi / 1800.0;
    const double c = std::cos(turn), s = std::sin(turn), em = layout.em, sx = layout.stretch * em;
    // 0 - x, not -x: an unturned run then has the very matrix it was laid out
    // with (no -0), and cairo reuses that scaled font and its loaded glyphs.
    cairo_matrix_t m;
    cairo_matrix_init(&m, c * sx, 0.0 - s * sx, s * em, c * em, 0, 0);
    cairo_set_font_matrix(cr, &m);
    if (em > kGlyphBitmapLimit) {
      cairo_glyph_path(cr, layout.glyphs, kept);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      cairo_fill(cr);
    } else {
      ShowGlyphs(cr, layout.glyphs, kept, style.colour);
    }
  }
  // Lines at least a pixel thick, so that small texts keep them.
  const FaceMetrics& fm = layout.metrics;
  if (font.underline) {
    const double y = -fm.underlinePosition * layout.em, t = std::max(1.0, fm.underlineThickness * layout.em);
    FillBand(cr, frame, 0, y - t / 2, layout.width, y + t / 2, guard);
  }
  if (font.strikeOut) {
    const double y = -fm.strikePosition * layout.em, t = std::max(1.0, fm.strikeThickness * layout.em);
    FillBand(cr, frame, 0, y - t / 2, layout.width, y + t / 2, guard);
  }
  cairo_status_t status = cairo_status(cr);
  cairo_restore(cr);
  return status == CAIRO_STATUS_SUCCESS;
}

}  // namespace platform
