// Small EMF and WMF record writers for building test metafiles inline.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/support.h"

namespace testing_support {

// The bits of a 32-bit float, for transform fields.
inline int32_t FloatBits(float f) { return std::bit_cast<int32_t>(f); }

class EmfWriter {
 public:
  // An 88-byte EMR_HEADER with the bounds and handle count; the byte and record
  // counts are filled in by Bytes().
  EmfWriter& Header(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t handles = 16);
  // A record whose fields after the 8-byte head are the given 32-bit words.
  EmfWriter& Record(uint32_t type, const std::vector<int32_t>& words);
  // A record with a raw body, padded to a multiple of 4.
  EmfWriter& RecordBytes(uint32_t type, const std::vector<uint8_t>& body);
  // Raw bytes with no framing, for broken files.
  EmfWriter& Raw(const std::vector<uint8_t>& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  EmfWriter& MoveTo(int32_t x, int32_t y) { return Record(27, {x, y}); }
  EmfWriter& LineTo(int32_t x, int32_t y) { return Record(54, {x, y}); }
  // EMR_POLYLINE/POLYGON/POLYBEZIER (and the -TO forms): bounds, count, points.
  EmfWriter& Points(uint32_t type, const std::vector<int32_t>& xy);
  EmfWriter& Points16(uint32_t type, const std::vector<int16_t>& xy);
  EmfWriter& Pen(uint32_t index, uint32_t style, int32_t width, uint32_t colour) {
    return Record(38,
                  {static_cast<int32_t>(index), static_cast<int32_t>(style), width, 0, static_cast<int32_t>(colour)});
  }
  EmfWriter& Brush(uint32_t index, uint32_t colour) {
    return Record(39, {static_cast<int32_t>(index), 0, static_cast<int32_t>(colour), 0});
  }
  EmfWriter& Font(uint32_t index, int32_t height, int32_t escapement, const std::u16string& face);
  EmfWriter& Select(uint32_t index) { return Record(37, {static_cast<int32_t>(index)}); }
  // EMR_EXTTEXTOUTW and EMR_EXTTEXTOUTA at (x, y).
  EmfWriter& TextW(int32_t x, int32_t y, const std::u16string& text);
  EmfWriter& TextA(int32_t x, int32_t y, const std::string& text);
  EmfWriter& Eof() { return Record(14, {0, 0x10, 0x14}); }
  std::vector<uint8_t> Bytes() const;
  std::string Str() const { return ToText(Bytes()); }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t records_ = 0;
};

class WmfWriter {
 public:
  // A record of `function` with 16-bit parameters.
  WmfWriter& Record(uint16_t function, const std::vector<int16_t>& params);
  // The bytes with the 18-byte header (and the end record unless `noEnd`);
  // `placeable` puts the 22-byte placeable header with the given box first.
  std::vector<uint8_t> Bytes(bool placeable = false, bool noEnd = false) const;
  std::string Str(bool placeable = false, bool noEnd = false) const { return ToText(Bytes(placeable, noEnd)); }

 private:
  std::vector<uint8_t> records_;
  uint32_t maxRecordWords_ = 3;
};

// A 16-bit parameter list from 8-bit text (padded to an even length).
std::vector<int16_t> TextParams(const std::string& text);

}  // namespace testing_support
