// Runs of text drawn with cairo for the metafile player: a logical font in
// device pixels, a UTF-8 run (platform/charset.h decodes the metafile's
// bytes), optional advances per character, the alignment flags, background and
// the opaque and clipping rectangle. Glyphs are aliased like the rest of the
// canvas. The caller sets up cr (target, clip) and keeps the current position.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/clip.h"
#include "platform/gdi.h"

typedef struct _cairo cairo_t;

namespace platform {

class FontLibrary;

// A logical font, sizes in device pixels, angles in tenths of a degree
// counter-clockwise on the page (fractions allowed, for world transforms).
struct TextFont {
  const char* face = "";   // UTF-8; empty or unknown: the default face
  int32_t height = 0;      // < 0: em height; > 0: cell height (ascent plus descent); 0: nothing is drawn
  int32_t width = 0;       // average character width; 0: the face's own proportions
  double escapement = 0;   // direction of the baseline
  double orientation = 0;  // turn of each glyph (pass the escapement where the two go together)
  int32_t weight = 0;      // 600 and above draw bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint8_t charSet = 0;  // a face that shows the script stands in when the named one cannot
  // False: the named face (or the default) only, whatever the script.
  bool substitute = true;
};

// How the run is placed and painted.
struct TextStyle {
  uint32_t align = kTaLeft | kTaTop;  // kTaLeft/kTaCenter/kTaRight | kTaTop/kTaBaseline/kTaBottom
  ColourRef colour = 0;
  bool opaqueBackground = false;  // the text's cells are filled with `background` first
  ColourRef background = 0xFFFFFF;
  bool fillRect = false;    // `rect` is filled with `background` before anything else
  bool clipToRect = false;  // nothing is drawn outside `rect`
  Rect rect{};              // device pixels
};

struct TextMeasure {
  DPoint advance;  // from the reference point's column to the end of the run, along the baseline
  double width;    // length of that advance
  double ascent;   // the cell above and below the baseline
  double descent;
};

// The run's advance and cell. `advances`, when not null, gives the advance
// of each of the first `advanceCount` characters (code points); the others
// take the face's own. False only when no face at all can be found.
bool MeasureTextRun(cairo_t* cr, FontLibrary& fonts, const TextFont& font, std::string_view utf8,
                    const double* advances, int64_t advanceCount, TextMeasure* measure);

// Draws the run with its reference point (of the alignment flags) at `at`.
// `*measure` (when given) gets what MeasureTextRun gives. For the current
// position of TA_UPDATECP the caller adds the advance for left alignment,
// subtracts it for right alignment and keeps the point for centred text.
// Non-finite or far-off input draws nothing; false only when no face at all
// can be found or cairo fails.
bool DrawTextRun(cairo_t* cr, FontLibrary& fonts, const TextFont& font, std::string_view utf8, const double* advances,
                 int64_t advanceCount, DPoint at, const TextStyle& style, TextMeasure* measure);

}  // namespace platform
