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
//
// Starting fontconfig (parsing its XML configuration, loading its caches)
// costs far more than a conversion with a few texts, so the faces it chose are
// kept in a match cache file between runs and opened straight from there. The
// file also records the configuration files, font folders and cache folders
// fontconfig used, with their times and sizes: when any of them changes, the
// cache is set aside and fontconfig is asked again.
class FontLibrary {
 public:
  // The match cache is $XDG_CACHE_HOME/kartex/fonts, or ~/.cache/kartex/fonts.
  FontLibrary();
  // With the match cache at `cachePath`; an empty path keeps no cache.
  explicit FontLibrary(std::string cachePath);
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
  // A match as the cache file keeps it: the request and fontconfig's answer
  // in its own text form.
  struct Match {
    std::string key;
    std::string pattern;
  };
  cairo_font_face_t* Cached(const std::string& key);
  void Remember(const std::string& key, const std::string& pattern);

  std::vector<Entry> entries_;
  std::string cachePath_;
  bool cacheRead_ = false;
  std::vector<Match> matches_;
};

}  // namespace platform
