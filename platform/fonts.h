// Fonts for the painter: face names matched by fontconfig and opened through
// cairo's FreeType back end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _cairo_font_face cairo_font_face_t;

namespace platform {

// Faces by (name, bold, italic), made on first request and kept until the
// library goes. fontconfig is touched only when a face is first asked for, so
// a drawing without texts never pays for font set-up.
class FontLibrary {
 public:
  FontLibrary() = default;
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;
  ~FontLibrary();
  // An empty or unknown name gets the default sans face, or with a language
  // tag ("ja", "ru"; empty for none) a face that has that language's script.
  // Null only when no font at all can be found.
  cairo_font_face_t* Face(const char* name, bool bold, bool italic, const char* language = "");
  // The regular face's ascent per unit of em height, unhinted: how far below
  // the top of a text's cell its baseline lies. 0 when no font can be found.
  double AscentPerEm(const char* name);

 private:
  struct Entry {
    std::string name;
    std::string language;
    bool bold;
    bool italic;
    cairo_font_face_t* face;
  };
  std::vector<Entry> entries_;
};

}  // namespace platform
