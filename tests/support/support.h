// Helpers shared by the tests: temporary folders, files, and running the built
// program as a child process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A fresh, empty folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
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

// The usage text exactly as the program prints it.
std::string UsageText();

std::vector<uint8_t> ReadFile(const std::string& path);
std::string ReadText(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// A fixture below tests/data.
std::string DataPath(const std::string& relative);
// A real-world sample below ../shared/samples, or "" when the samples are absent.
std::string SamplePath(const std::string& relative);
// The samples bundled with the project (samples/).
std::string BundledSamplePath(const std::string& relative);

// Little-endian readers for checking file bytes.
uint16_t Le16(const std::vector<uint8_t>& b, size_t at);
uint32_t Le32(const std::vector<uint8_t>& b, size_t at);

}  // namespace testing_support
