#include "platform/fonts.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace platform {

namespace {

cairo_font_face_t* MatchFace(const char* name, bool bold, bool italic, const char* language) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name && *name ? name : "sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  // Outranks the default families, not a family that is installed.
  if (*language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(match);
  FcPatternDestroy(match);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    return nullptr;
  }
  return face;
}

}  // namespace

FontLibrary::~FontLibrary() {
  for (Entry& e : entries_) cairo_font_face_destroy(e.face);
}

cairo_font_face_t* FontLibrary::Face(const char* name, bool bold, bool italic, const char* language) {
  std::string key = name ? name : "";
  std::string lang = language ? language : "";
  for (const Entry& e : entries_)
    if (e.bold == bold && e.italic == italic && e.name == key && e.language == lang) return e.face;
  cairo_font_face_t* face = MatchFace(key.c_str(), bold, italic, lang.c_str());
  if (!face) return nullptr;
  entries_.push_back({key, lang, bold, italic, face});
  return face;
}

double FontLibrary::AscentPerEm(const char* name) {
  cairo_font_face_t* face = Face(name, false, false);
  if (!face) return 0;
  cairo_matrix_t unit;
  cairo_matrix_init_identity(&unit);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &unit, &unit, options);
  cairo_font_options_destroy(options);
  cairo_font_extents_t extents{};
  cairo_scaled_font_extents(scaled, &extents);
  bool ok = cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS;
  cairo_scaled_font_destroy(scaled);
  return ok ? extents.ascent : 0;
}

}  // namespace platform
