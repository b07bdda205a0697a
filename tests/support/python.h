// Debian's python3 as a host for independent checkers (expat, python3-ezdxf).
#pragma once

#include <string>

namespace testing_support {

// Debian's own interpreter, where apt installs python3-ezdxf.
constexpr char kPython[] = "/usr/bin/python3";

// Writes `code` to check.py in `folder` and runs it with kPython and
// `argument`; gives everything it printed, errors included ("" when it could
// not be started).
std::string RunPython(const std::string& folder, const std::string& code, const std::string& argument);

// True when kPython runs and can import `module`.
bool HavePythonModule(const std::string& module);

}  // namespace testing_support
