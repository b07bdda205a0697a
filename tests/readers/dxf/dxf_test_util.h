// Small helpers for the DXF reader tests: inline DXF text and a drawing that
// frees itself.
#pragma once

#include <string>

#include "model/drawing.h"
#include "readers/dxf/dxf_internal.h"
#include "tests/support/drawing_dump.h"
#include "tests/support/support.h"

namespace dxf_test {

// Lines separated by "|" (for short inline files), each ended by "\n".
inline std::string L(std::string s) {
  for (char& c : s)
    if (c == '|') c = '\n';
  return s + "\n";
}

inline std::string Section(const std::string& name, const std::string& body) {
  return L("0|SECTION|2|" + name) + body + L("0|ENDSEC");
}

// A file whose last section is ENTITIES with `body`.
inline std::string EntitiesFile(const std::string& body) { return Section("ENTITIES", body) + L("0|EOF"); }

struct Read {
  Drawing d;
  ReadReport report{};
  int ok;
  explicit Read(const std::string& text) { ok = dxf_proc_memory(text.data(), text.size(), &d, &report); }
  ~Read() { DrawingFree(&d); }
  Read(const Read&) = delete;
  Read& operator=(const Read&) = delete;
  std::string Entities() const { return testing_support::DumpEntitySet(d.entities); }
  std::string All() const { return testing_support::DumpDrawing(d); }
};

}  // namespace dxf_test
