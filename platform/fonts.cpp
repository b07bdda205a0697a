#include "platform/fonts.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

constexpr char kCacheMagic[] = "kartex font matches 1";
// Larger cache files are not ours, or not worth reading.
constexpr long kMaxCacheBytes = 1 << 20;

cairo_font_face_t* FaceFor(FcPattern* match) {
  cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(match);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    return nullptr;
  }
  return face;
}

// Asks fontconfig; `text` receives the match in fontconfig's text form, less
// the character and language coverage, which cairo does not read.
cairo_font_face_t* MatchFace(const char* name, bool bold, bool italic, const char* language, std::string& text) {
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
  cairo_font_face_t* face = FaceFor(match);
  FcPatternDel(match, FC_CHARSET);
  FcPatternDel(match, FC_LANG);
  if (FcChar8* unparsed = FcNameUnparse(match)) {
    text = reinterpret_cast<const char*>(unparsed);
    FcStrFree(unparsed);
  }
  FcPatternDestroy(match);
  return face;
}

std::string DefaultCachePath() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && *cache == '/') return std::string(cache) + "/kartex/fonts";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return std::string(home) + "/.cache/kartex/fonts";
  return "";
}

void AppendNumber(std::string& s, int64_t v) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
  if (ec == std::errc()) s.append(digits, end);
}

// One line naming a path and its modification time and size, or its absence.
std::string Stamp(const char* path) {
  std::string line = "S ";
  line += path;
  struct stat st;
  if (stat(path, &st) != 0) return line + "\t-\n";
  line += '\t';
  AppendNumber(line, st.st_mtim.tv_sec);
  line += '.';
  AppendNumber(line, st.st_mtim.tv_nsec);
  line += '\t';
  AppendNumber(line, st.st_size);
  return line + '\n';
}

void StampList(std::string& out, FcStrList* list) {
  if (!list) return;
  while (FcChar8* path = FcStrListNext(list)) out += Stamp(reinterpret_cast<const char*>(path));
  FcStrListDone(list);
}

// The first lines of the cache: its form, fontconfig's version and the
// environment that steers fontconfig. Cheap to make, so a cache whose
// preamble differs is set aside before any stamp is taken.
std::string Preamble() {
  std::string s = kCacheMagic;
  s += ' ';
  AppendNumber(s, FcGetVersion());
  s += '\n';
  for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "XDG_CONFIG_HOME", "HOME"}) {
    const char* value = std::getenv(name);
    s += "E ";
    s += name;
    s += '=';
    s += value ? value : "";
    s += '\n';
  }
  return s;
}

// What fontconfig's answers rest on: the preamble, the configuration files
// it read and the user's places where new ones would go, its font folders
// (new fonts change their times) and its caches.
std::string Fingerprint() {
  std::string s = Preamble();
  FcConfig* config = FcConfigGetCurrent();
  StampList(s, FcConfigGetConfigFiles(config));
  StampList(s, FcConfigGetFontDirs(config));
  StampList(s, FcConfigGetCacheDirs(config));
  const char* home = std::getenv("HOME");
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string user = configHome && *configHome == '/' ? configHome : home ? std::string(home) + "/.config" : "";
  if (!user.empty()) s += Stamp((user + "/fontconfig").c_str());
  if (home) s += Stamp((std::string(home) + "/.fonts.conf").c_str()) + Stamp((std::string(home) + "/.fonts").c_str());
  return s;
}

bool ReadFile(const std::string& path, std::string& text) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < kMaxCacheBytes) text.append(buffer, n);
  std::fclose(f);
  return text.size() < kMaxCacheBytes;
}

// The stamp lines of text[at, end) still hold when every path still stamps the same.
bool StampsHold(const std::string& text, size_t at, size_t end) {
  while (at < end) {
    size_t eol = text.find('\n', at);
    if (eol == std::string::npos || eol >= end) return false;
    size_t tab = text.find('\t', at);
    if (text.compare(at, 2, "S ") != 0 || tab > eol) return false;
    std::string path = text.substr(at + 2, tab - at - 2);
    if (text.compare(at, eol + 1 - at, Stamp(path.c_str())) != 0) return false;
    at = eol + 1;
  }
  return true;
}

bool MakeFolders(const std::string& file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    std::string folder = file.substr(0, slash);
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

FontLibrary::FontLibrary() : cachePath_(DefaultCachePath()) {}

FontLibrary::FontLibrary(std::string cachePath) : cachePath_(std::move(cachePath)) {}

FontLibrary::~FontLibrary() {
  for (Entry& e : entries_) cairo_font_face_destroy(e.face);
}

// The face of a cached match, without starting fontconfig. The cache is read
// on the first request and kept only while its preamble and stamps hold.
cairo_font_face_t* FontLibrary::Cached(const std::string& key) {
  if (!cacheRead_) {
    cacheRead_ = true;
    std::string text;
    std::string preamble = Preamble();
    if (cachePath_.empty() || !ReadFile(cachePath_, text) || text.compare(0, preamble.size(), preamble) != 0)
      return nullptr;
    size_t matchesAt = text.find("\nM ");
    size_t stampsEnd = matchesAt == std::string::npos ? text.size() : matchesAt + 1;
    if (!StampsHold(text, preamble.size(), stampsEnd)) return nullptr;
    for (size_t at = stampsEnd; at < text.size();) {
      size_t eol = text.find('\n', at);
      if (eol == std::string::npos) break;
      size_t tab = text.find('\t', at);
      if (text.compare(at, 2, "M ") == 0 && tab < eol)
        matches_.push_back({text.substr(at + 2, tab - at - 2), text.substr(tab + 1, eol - tab - 1)});
      at = eol + 1;
    }
  }
  for (const Match& m : matches_) {
    if (m.key != key) continue;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(m.pattern.c_str()));
    if (!pattern) return nullptr;
    cairo_font_face_t* face = FaceFor(pattern);
    FcPatternDestroy(pattern);
    return face;
  }
  return nullptr;
}

// Adds a fresh match and writes the cache anew (fontconfig is running by
// now, so the fingerprint is its current one), through a file of our own
// that replaces the old one whole.
void FontLibrary::Remember(const std::string& key, const std::string& pattern) {
  if (cachePath_.empty() || pattern.empty() || key.find_first_of("\t\n\r") != std::string::npos ||
      pattern.find_first_of("\n\r") != std::string::npos)
    return;
  std::erase_if(matches_, [&](const Match& m) { return m.key == key; });
  matches_.push_back({key, pattern});
  std::string text = Fingerprint();
  for (const Match& m : matches_) text += "M " + m.key + '\t' + m.pattern + '\n';
  std::string temporary = cachePath_ + '.';
  AppendNumber(temporary, getpid());
  if (!MakeFolders(cachePath_)) return;
  FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return;
  bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), cachePath_.c_str()) != 0)
    std::remove(temporary.c_str());
}

cairo_font_face_t* FontLibrary::Face(const char* name, bool bold, bool italic, const char* language) {
  std::string key = name ? name : "";
  std::string lang = language ? language : "";
  for (const Entry& e : entries_)
    if (e.bold == bold && e.italic == italic && e.name == key && e.language == lang) return e.face;
  std::string cacheKey = key + '\x1F' + lang + '\x1F' + (bold ? 'b' : '-') + (italic ? 'i' : '-');
  cairo_font_face_t* face = Cached(cacheKey);
  if (!face) {
    std::string pattern;
    face = MatchFace(key.c_str(), bold, italic, lang.c_str(), pattern);
    if (face) Remember(cacheKey, pattern);
  }
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
