// Helpers shared by the tests: temporary folders, files, and running the built
// program as a child process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh, empty folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

struct RunResult {
  int status;          // exit status 0..255, or -1 when the child did not exit normally
  std::string output;  // everything written to standard output
};

// Runs the built kartex with `args` in folder `dir` (its current directory).
RunResult RunKartex(const std::vector<std::string>& args, const std::string& dir);
// Runs a shell command, collecting its standard output.
RunResult RunCommand(const std::string& command);

// The usage text exactly as the program prints it.
constexpr char kUsageText[] =
    "Usage:\nKartex [option] <InputFileName> <OutputFileName>\nInputFileName: <Name>.<DXF|EMF|WMF|GBR>\n"
    "OutputFileName: <Name>.<BMP|GIF|JPG|G3|PNG|DXF|VML|HTM|SVG>\nOptions:\n\t-w num  Width\n\t-h num  Height\n"
    "\t-c aaa  Color palette file name (size=768byte)\n\t-q num  Quality of JPEG compression (from 0 to 100)\n"
    "\t-r      RLE compression for BMP output\n";
inline std::string UsageText() { return kUsageText; }

inline std::string ToText(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }
std::vector<uint8_t> ReadFile(const std::string& path);
inline std::string ReadText(const std::string& path) { return ToText(ReadFile(path)); }
void WriteFile(const std::string& path, const std::string& bytes);
inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) { WriteFile(path, ToText(bytes)); }
inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// A fixture below tests/data.
inline std::string DataPath(const std::string& relative) { return std::string(KARTEX_TEST_DATA) + "/" + relative; }
// A real-world sample below ../shared/samples, or "" when the samples are absent.
inline std::string SamplePath(const std::string& relative) {
  return FileExists(std::string(KARTEX_SAMPLES) + "/" + relative) ? std::string(KARTEX_SAMPLES) + "/" + relative : "";
}
// The samples bundled with the project (samples/).
inline std::string BundledSamplePath(const std::string& relative) { return KARTEX_BUNDLED_SAMPLES "/" + relative; }

// Little-endian readers for checking file bytes.
inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b.at(at) | b.at(at + 1) << 8); }
inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return Le16(b, at) | uint32_t{Le16(b, at + 2)} << 16; }

}  // namespace testing_support
