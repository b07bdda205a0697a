#include "tests/support/python.h"

#include <cstdio>

#include "tests/support/support.h"

namespace testing_support {

std::string RunPython(const std::string& folder, const std::string& code, const std::string& argument) {
  std::string script = folder + "/check.py";
  WriteFile(script, code);
  std::string command = std::string(kPython) + " '" + script + "' '" + argument + "' 2>&1";
  std::string output;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

bool HavePythonModule(const std::string& module) {
  if (!FileExists(kPython)) return false;
  TempDir dir;
  return RunPython(dir.path(), "import " + module + "\nprint('yes')\n", "") == "yes\n";
}

}  // namespace testing_support
