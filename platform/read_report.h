// Why and where a reader or converter stopped, and what it passed over. The
// readers keep their 1/0 contract at the border and record the cause here, so
// a test can tell a truncated file from a malformed one without reading the
// messages, and a verbose mode could list what a drawing used that is not
// drawn. Header-only: every reader and the metafile converter share it.
#pragma once

#include <cstdint>
#include <cstring>

enum class ReadFault : uint8_t {
  kNone,
  kCannotOpen,       // the file cannot be opened or read
  kTruncated,        // the data ends before its end mark (DXF EOF group, EMF EOF record)
  kMalformedRecord,  // a record's length does not fit the data
  kNotMetafile,      // no Windows metafile header
  kTooLarge,         // the result would pass its size limit, or memory ran out
};

constexpr int kSkipNameSize = 24;
constexpr int kMaxSkipKinds = 16;

struct SkipCount {
  char name[kSkipNameSize];
  int64_t count;
};

struct ReadReport {
  ReadFault fault;
  // Where: the line (DXF), byte offset (Gerber) or record index (EMF, WMF).
  int64_t at;
  // Kinds passed over, in the order first met; kinds beyond the table count
  // in `otherSkipped`.
  SkipCount skipped[kMaxSkipKinds];
  int32_t skippedKinds;
  int64_t otherSkipped;
};

// Records the first failure of a read (a report may be null) and gives 0, so a
// reader can `return Fail(report, kind, at);`.
inline int Fail(ReadReport* report, ReadFault fault, int64_t at) {
  if (report && report->fault == ReadFault::kNone) {
    report->fault = fault;
    report->at = at;
  }
  return 0;
}

// Counts one item of the kind `name` (cut to the field) that was passed over.
inline void CountSkipped(ReadReport* report, const char* name) {
  if (!report) return;
  char key[kSkipNameSize] = {};
  for (int i = 0; i < kSkipNameSize - 1 && name[i]; ++i) key[i] = name[i];
  for (int32_t i = 0; i < report->skippedKinds; ++i) {
    if (std::strcmp(report->skipped[i].name, key) == 0) {
      ++report->skipped[i].count;
      return;
    }
  }
  if (report->skippedKinds == kMaxSkipKinds) {
    ++report->otherSkipped;
    return;
  }
  SkipCount& entry = report->skipped[report->skippedKinds++];
  std::memcpy(entry.name, key, sizeof key);
  entry.count = 1;
}
