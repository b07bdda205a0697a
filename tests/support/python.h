// Debian's python3 as a host for independent checkers (expat, python3-ezdxf).
#pragma once

#include <string>

#include "tests/support/support.h"

namespace testing_support {

// Debian's own interpreter, where apt installs python3-ezdxf.
constexpr char kPython[] = "/usr/bin/python3";

// Writes `code` to check.py in `folder` and runs it with kPython and
// `argument`; gives everything it printed, errors included ("" when it could
// not be started).
inline std::string RunPython(const std::string& folder, const std::string& code, const std::string& argument) {
  WriteFile(folder + "/check.py", code);
  return RunCommand(std::string(kPython) + " '" + folder + "/check.py' '" + argument + "' 2>&1").output;
}

// True when kPython runs and can import `module`.
inline bool HavePythonModule(const std::string& module) {
  if (!FileExists(kPython)) return false;
  TempDir dir;
  return RunPython(dir.path(), "import " + module + "\nprint('yes')\n", "") == "yes\n";
}

}  // namespace testing_support
