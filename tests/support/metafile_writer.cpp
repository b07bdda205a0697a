#include "tests/support/metafile_writer.h"

#include <cstring>

namespace testing_support {
namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
// The fixed part of EMR_EXTTEXTOUTW/A: bounds, graphics mode, scales, then the
// text's reference point, length, offset (76) and no options, rectangle or spacing.
std::vector<uint8_t> TextHead(int32_t x, int32_t y, size_t length) {
  std::vector<uint8_t> body;
  for (int32_t v : {0, 0, 0, 0, 1, FloatBits(1), FloatBits(1), x, y, static_cast<int32_t>(length), 76, 0, 0, 0, 0,
                    0, 0})
    Put32(body, static_cast<uint32_t>(v));
  return body;
}

}  // namespace

int32_t FloatBits(float f) {
  int32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

EmfWriter& EmfWriter::Header(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t handles) {
  std::vector<int32_t> w = {left, top, right, bottom, 0, 0, 0, 0, 0x464D4520, 0x10000, 0, 0,
                            handles, 0, 0, 0, 1024, 768, 320, 240};
  return Record(1, w);
}

EmfWriter& EmfWriter::Record(uint32_t type, const std::vector<int32_t>& words) {
  Put32(bytes_, type);
  Put32(bytes_, static_cast<uint32_t>(8 + 4 * words.size()));
  for (int32_t w : words) Put32(bytes_, static_cast<uint32_t>(w));
  ++records_;
  return *this;
}

EmfWriter& EmfWriter::RecordBytes(uint32_t type, const std::vector<uint8_t>& body) {
  size_t padded = (body.size() + 3) / 4 * 4;
  Put32(bytes_, type);
  Put32(bytes_, static_cast<uint32_t>(8 + padded));
  bytes_.insert(bytes_.end(), body.begin(), body.end());
  bytes_.resize(bytes_.size() + padded - body.size(), 0);
  ++records_;
  return *this;
}

EmfWriter& EmfWriter::Raw(const std::vector<uint8_t>& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

EmfWriter& EmfWriter::Points(uint32_t type, const std::vector<int32_t>& xy) {
  std::vector<int32_t> w = {0, 0, 0, 0, static_cast<int32_t>(xy.size() / 2)};
  w.insert(w.end(), xy.begin(), xy.end());
  return Record(type, w);
}

EmfWriter& EmfWriter::Points16(uint32_t type, const std::vector<int16_t>& xy) {
  std::vector<uint8_t> body(16, 0);
  Put32(body, static_cast<uint32_t>(xy.size() / 2));
  for (int16_t v : xy) Put16(body, static_cast<uint16_t>(v));
  return RecordBytes(type, body);
}

EmfWriter& EmfWriter::Font(uint32_t index, int32_t height, int32_t escapement, const std::u16string& face) {
  std::vector<uint8_t> body;
  Put32(body, index);
  for (int32_t v : {height, 0, escapement, escapement, 400}) Put32(body, static_cast<uint32_t>(v));
  body.resize(body.size() + 8, 0);
  for (int i = 0; i < 32; ++i) Put16(body, i < static_cast<int>(face.size()) ? face[i] : 0);
  body.resize(body.size() + 320 - 4 - 60, 0);  // the rest of a full EXTLOGFONTW
  return RecordBytes(82, body);
}

EmfWriter& EmfWriter::TextW(int32_t x, int32_t y, const std::u16string& text) {
  std::vector<uint8_t> body = TextHead(x, y, text.size());
  for (char16_t c : text) Put16(body, c);
  return RecordBytes(84, body);
}

EmfWriter& EmfWriter::TextA(int32_t x, int32_t y, const std::string& text) {
  std::vector<uint8_t> body = TextHead(x, y, text.size());
  body.insert(body.end(), text.begin(), text.end());
  return RecordBytes(83, body);
}

std::vector<uint8_t> EmfWriter::Bytes() const {
  std::vector<uint8_t> b = bytes_;
  if (b.size() >= 88 && b[0] == 1) {
    Set32(b, 48, static_cast<uint32_t>(b.size()));
    Set32(b, 52, records_);
  }
  return b;
}

std::string EmfWriter::Str() const {
  std::vector<uint8_t> b = Bytes();
  return std::string(b.begin(), b.end());
}

WmfWriter& WmfWriter::Record(uint16_t function, const std::vector<int16_t>& params) {
  uint32_t words = static_cast<uint32_t>(3 + params.size());
  Put32(records_, words);
  Put16(records_, function);
  for (int16_t p : params) Put16(records_, static_cast<uint16_t>(p));
  if (words > maxRecordWords_) maxRecordWords_ = words;
  return *this;
}

std::vector<uint8_t> WmfWriter::Bytes(bool placeable, bool noEnd) const {
  std::vector<uint8_t> b;
  if (placeable) {
    Put32(b, 0x9AC6CDD7);
    Put16(b, 0);
    for (int v : {0, 0, 1000, 1000, 1440}) Put16(b, static_cast<uint16_t>(v));
    Put32(b, 0);
    uint16_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) sum ^= static_cast<uint16_t>(b[i] | b[i + 1] << 8);
    Put16(b, sum);
  }
  uint32_t total = 9 + static_cast<uint32_t>(records_.size() / 2) + (noEnd ? 0 : 3);
  Put16(b, 1);
  Put16(b, 9);
  Put16(b, 0x300);
  Put32(b, total);
  Put16(b, objects);
  Put32(b, maxRecordWords_);
  Put16(b, 0);
  b.insert(b.end(), records_.begin(), records_.end());
  if (!noEnd) {
    Put32(b, 3);
    Put16(b, 0);
  }
  return b;
}

std::string WmfWriter::Str(bool placeable, bool noEnd) const {
  std::vector<uint8_t> b = Bytes(placeable, noEnd);
  return std::string(b.begin(), b.end());
}

std::vector<int16_t> TextParams(const std::string& text) {
  std::vector<int16_t> p;
  for (size_t i = 0; i < text.size(); i += 2) {
    uint8_t lo = static_cast<uint8_t>(text[i]);
    uint8_t hi = i + 1 < text.size() ? static_cast<uint8_t>(text[i + 1]) : 0;
    p.push_back(static_cast<int16_t>(lo | hi << 8));
  }
  return p;
}

}  // namespace testing_support
