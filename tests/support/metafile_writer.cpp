#include "tests/support/metafile_writer.h"

namespace testing_support {
namespace {

// A little-endian value of `size` bytes.
void Put(std::vector<uint8_t>& b, int size, uint32_t v) {
  for (int i = 0; i < size; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
// The fixed part of EMR_EXTTEXTOUTW/A: bounds, graphics mode, scales, then the
// text's reference point, length, offset (76) and no options, rectangle or spacing.
std::vector<uint8_t> TextHead(int32_t x, int32_t y, size_t length) {
  std::vector<uint8_t> body;
  for (int32_t v :
       {0, 0, 0, 0, 1, FloatBits(1), FloatBits(1), x, y, static_cast<int32_t>(length), 76, 0, 0, 0, 0, 0, 0})
    Put(body, 4, static_cast<uint32_t>(v));
  return body;
}

}  // namespace

EmfWriter& EmfWriter::Header(int32_t left, int32_t top, int32_t right, int32_t bottom, uint16_t handles) {
  return Record(
      1, {left, top, right, bottom, 0, 0, 0, 0, 0x464D4520, 0x10000, 0, 0, handles, 0, 0, 0, 1024, 768, 320, 240});
}

EmfWriter& EmfWriter::Record(uint32_t type, const std::vector<int32_t>& words) {
  std::vector<uint8_t> body;
  for (int32_t w : words) Put(body, 4, static_cast<uint32_t>(w));
  return RecordBytes(type, body);
}

EmfWriter& EmfWriter::RecordBytes(uint32_t type, const std::vector<uint8_t>& body) {
  size_t padded = (body.size() + 3) / 4 * 4;
  Put(bytes_, 4, type);
  Put(bytes_, 4, static_cast<uint32_t>(8 + padded));
  bytes_.insert(bytes_.end(), body.begin(), body.end());
  bytes_.resize(bytes_.size() + padded - body.size(), 0);
  ++records_;
  return *this;
}

EmfWriter& EmfWriter::Points(uint32_t type, const std::vector<int32_t>& xy) {
  std::vector<int32_t> w = {0, 0, 0, 0, static_cast<int32_t>(xy.size() / 2)};
  w.insert(w.end(), xy.begin(), xy.end());
  return Record(type, w);
}

EmfWriter& EmfWriter::Points16(uint32_t type, const std::vector<int16_t>& xy) {
  std::vector<uint8_t> body(16, 0);
  Put(body, 4, static_cast<uint32_t>(xy.size() / 2));
  for (int16_t v : xy) Put(body, 2, static_cast<uint16_t>(v));
  return RecordBytes(type, body);
}

EmfWriter& EmfWriter::Font(uint32_t index, int32_t height, int32_t escapement, const std::u16string& face) {
  std::vector<uint8_t> body;
  Put(body, 4, index);
  for (int32_t v : {height, 0, escapement, escapement, 400}) Put(body, 4, static_cast<uint32_t>(v));
  body.resize(body.size() + 8, 0);
  for (int i = 0; i < 32; ++i) Put(body, 2, i < static_cast<int>(face.size()) ? face[i] : 0);
  body.resize(body.size() + 320 - 4 - 60, 0);  // the rest of a full EXTLOGFONTW
  return RecordBytes(82, body);
}

EmfWriter& EmfWriter::TextW(int32_t x, int32_t y, const std::u16string& text) {
  std::vector<uint8_t> body = TextHead(x, y, text.size());
  for (char16_t c : text) Put(body, 2, c);
  return RecordBytes(84, body);
}

EmfWriter& EmfWriter::TextA(int32_t x, int32_t y, const std::string& text) {
  std::vector<uint8_t> body = TextHead(x, y, text.size());
  body.insert(body.end(), text.begin(), text.end());
  return RecordBytes(83, body);
}

std::vector<uint8_t> EmfWriter::Bytes() const {
  std::vector<uint8_t> b = bytes_;
  for (int i = 0; b.size() >= 88 && b[0] == 1 && i < 4; ++i) {  // the byte and record counts
    b[48 + i] = static_cast<uint8_t>(b.size() >> (8 * i));
    b[52 + i] = static_cast<uint8_t>(records_ >> (8 * i));
  }
  return b;
}

WmfWriter& WmfWriter::Record(uint16_t function, const std::vector<int16_t>& params) {
  uint32_t words = static_cast<uint32_t>(3 + params.size());
  Put(records_, 4, words);
  Put(records_, 2, function);
  for (int16_t p : params) Put(records_, 2, static_cast<uint16_t>(p));
  if (words > maxRecordWords_) maxRecordWords_ = words;
  return *this;
}

std::vector<uint8_t> WmfWriter::Bytes(bool placeable, bool noEnd) const {
  std::vector<uint8_t> b;
  if (placeable) {
    // Key, no handle, the box 0,0 to 1000,1000, 1440 units an inch, reserved.
    for (uint32_t v : {0xCDD7, 0x9AC6, 0, 0, 0, 1000, 1000, 1440, 0, 0}) Put(b, 2, v);
    uint16_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) sum ^= static_cast<uint16_t>(b[i] | b[i + 1] << 8);
    Put(b, 2, sum);
  }
  uint32_t total = 9 + static_cast<uint32_t>(records_.size() / 2) + (noEnd ? 0 : 3);
  // Type, header words, version, total words, objects, largest record, no parameters.
  for (uint32_t v :
       {1u, 9u, 0x300u, total & 0xFFFF, total >> 16, 8u, maxRecordWords_ & 0xFFFF, maxRecordWords_ >> 16, 0u})
    Put(b, 2, v);
  b.insert(b.end(), records_.begin(), records_.end());
  if (!noEnd) {
    Put(b, 4, 3);
    Put(b, 2, 0);
  }
  return b;
}

std::vector<int16_t> TextParams(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.resize((bytes.size() + 1) / 2 * 2);
  std::vector<int16_t> p;
  for (size_t i = 0; i < bytes.size(); i += 2) p.push_back(static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8));
  return p;
}

}  // namespace testing_support
