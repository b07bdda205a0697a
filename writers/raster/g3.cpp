// Group 3 fax writer: the one-dimensional Modified Huffman coding of ITU-T T.4.
// Each row of the 1-bit canvas (most significant bit leftmost, 1 = black) becomes
// alternating white and black runs, each run its make-up and terminating codes,
// and an EOL; the page starts with an EOL and ends with the RTC (six EOLs) and
// one flush byte. The file is the bare bit stream: no header, no row alignment.
// The caller renders the canvas and reports failures.
#include "writers/raster/g3.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

// ---------------------------------------------------------------------------
// Code tables of ITU-T T.4 (Tables 2 and 3), as the Recommendation prints them.

struct FaxCode {
  uint16_t run;
  uint16_t bits;  // right-aligned
  uint8_t length;
};

constexpr FaxCode kWhiteTerminating[64] = {
    {0, 0b00110101, 8},  {1, 0b000111, 6},    {2, 0b0111, 4},      {3, 0b1000, 4},      {4, 0b1011, 4},
    {5, 0b1100, 4},      {6, 0b1110, 4},      {7, 0b1111, 4},      {8, 0b10011, 5},     {9, 0b10100, 5},
    {10, 0b00111, 5},    {11, 0b01000, 5},    {12, 0b001000, 6},   {13, 0b000011, 6},   {14, 0b110100, 6},
    {15, 0b110101, 6},   {16, 0b101010, 6},   {17, 0b101011, 6},   {18, 0b0100111, 7},  {19, 0b0001100, 7},
    {20, 0b0001000, 7},  {21, 0b0010111, 7},  {22, 0b0000011, 7},  {23, 0b0000100, 7},  {24, 0b0101000, 7},
    {25, 0b0101011, 7},  {26, 0b0010011, 7},  {27, 0b0100100, 7},  {28, 0b0011000, 7},  {29, 0b00000010, 8},
    {30, 0b00000011, 8}, {31, 0b00011010, 8}, {32, 0b00011011, 8}, {33, 0b00010010, 8}, {34, 0b00010011, 8},
    {35, 0b00010100, 8}, {36, 0b00010101, 8}, {37, 0b00010110, 8}, {38, 0b00010111, 8}, {39, 0b00101000, 8},
    {40, 0b00101001, 8}, {41, 0b00101010, 8}, {42, 0b00101011, 8}, {43, 0b00101100, 8}, {44, 0b00101101, 8},
    {45, 0b00000100, 8}, {46, 0b00000101, 8}, {47, 0b00001010, 8}, {48, 0b00001011, 8}, {49, 0b01010010, 8},
    {50, 0b01010011, 8}, {51, 0b01010100, 8}, {52, 0b01010101, 8}, {53, 0b00100100, 8}, {54, 0b00100101, 8},
    {55, 0b01011000, 8}, {56, 0b01011001, 8}, {57, 0b01011010, 8}, {58, 0b01011011, 8}, {59, 0b01001010, 8},
    {60, 0b01001011, 8}, {61, 0b00110010, 8}, {62, 0b00110011, 8}, {63, 0b00110100, 8},
};

constexpr FaxCode kWhiteMakeUp[27] = {
    {64, 0b11011, 5},       {128, 0b10010, 5},      {192, 0b010111, 6},     {256, 0b0110111, 7},
    {320, 0b00110110, 8},   {384, 0b00110111, 8},   {448, 0b01100100, 8},   {512, 0b01100101, 8},
    {576, 0b01101000, 8},   {640, 0b01100111, 8},   {704, 0b011001100, 9},  {768, 0b011001101, 9},
    {832, 0b011010010, 9},  {896, 0b011010011, 9},  {960, 0b011010100, 9},  {1024, 0b011010101, 9},
    {1088, 0b011010110, 9}, {1152, 0b011010111, 9}, {1216, 0b011011000, 9}, {1280, 0b011011001, 9},
    {1344, 0b011011010, 9}, {1408, 0b011011011, 9}, {1472, 0b010011000, 9}, {1536, 0b010011001, 9},
    {1600, 0b010011010, 9}, {1664, 0b011000, 6},    {1728, 0b010011011, 9},
};

constexpr FaxCode kBlackTerminating[64] = {
    {0, 0b0000110111, 10},
    {1, 0b010, 3},
    {2, 0b11, 2},
    {3, 0b10, 2},
    {4, 0b011, 3},
    {5, 0b0011, 4},
    {6, 0b0010, 4},
    {7, 0b00011, 5},
    {8, 0b000101, 6},
    {9, 0b000100, 6},
    {10, 0b0000100, 7},
    {11, 0b0000101, 7},
    {12, 0b0000111, 7},
    {13, 0b00000100, 8},
    {14, 0b00000111, 8},
    {15, 0b000011000, 9},
    {16, 0b0000010111, 10},
    {17, 0b0000011000, 10},
    {18, 0b0000001000, 10},
    {19, 0b00001100111, 11},
    {20, 0b00001101000, 11},
    {21, 0b00001101100, 11},
    {22, 0b00000110111, 11},
    {23, 0b00000101000, 11},
    {24, 0b00000010111, 11},
    {25, 0b00000011000, 11},
    {26, 0b000011001010, 12},
    {27, 0b000011001011, 12},
    {28, 0b000011001100, 12},
    {29, 0b000011001101, 12},
    {30, 0b000001101000, 12},
    {31, 0b000001101001, 12},
    {32, 0b000001101010, 12},
    {33, 0b000001101011, 12},
    {34, 0b000011010010, 12},
    {35, 0b000011010011, 12},
    {36, 0b000011010100, 12},
    {37, 0b000011010101, 12},
    {38, 0b000011010110, 12},
    {39, 0b000011010111, 12},
    {40, 0b000001101100, 12},
    {41, 0b000001101101, 12},
    {42, 0b000011011010, 12},
    {43, 0b000011011011, 12},
    {44, 0b000001010100, 12},
    {45, 0b000001010101, 12},
    {46, 0b000001010110, 12},
    {47, 0b000001010111, 12},
    {48, 0b000001100100, 12},
    {49, 0b000001100101, 12},
    {50, 0b000001010010, 12},
    {51, 0b000001010011, 12},
    {52, 0b000000100100, 12},
    {53, 0b000000110111, 12},
    {54, 0b000000111000, 12},
    {55, 0b000000100111, 12},
    {56, 0b000000101000, 12},
    {57, 0b000001011000, 12},
    {58, 0b000001011001, 12},
    {59, 0b000000101011, 12},
    {60, 0b000000101100, 12},
    {61, 0b000001011010, 12},
    {62, 0b000001100110, 12},
    {63, 0b000001100111, 12},
};

constexpr FaxCode kBlackMakeUp[27] = {
    {64, 0b0000001111, 10},      {128, 0b000011001000, 12},   {192, 0b000011001001, 12},   {256, 0b000001011011, 12},
    {320, 0b000000110011, 12},   {384, 0b000000110100, 12},   {448, 0b000000110101, 12},   {512, 0b0000001101100, 13},
    {576, 0b0000001101101, 13},  {640, 0b0000001001010, 13},  {704, 0b0000001001011, 13},  {768, 0b0000001001100, 13},
    {832, 0b0000001001101, 13},  {896, 0b0000001110010, 13},  {960, 0b0000001110011, 13},  {1024, 0b0000001110100, 13},
    {1088, 0b0000001110101, 13}, {1152, 0b0000001110110, 13}, {1216, 0b0000001110111, 13}, {1280, 0b0000001010010, 13},
    {1344, 0b0000001010011, 13}, {1408, 0b0000001010100, 13}, {1472, 0b0000001010101, 13}, {1536, 0b0000001011010, 13},
    {1600, 0b0000001011011, 13}, {1664, 0b0000001100100, 13}, {1728, 0b0000001100101, 13},
};

// Shared by both colours.
constexpr FaxCode kExtendedMakeUp[13] = {
    {1792, 0b00000001000, 11},  {1856, 0b00000001100, 11},  {1920, 0b00000001101, 11},  {1984, 0b000000010010, 12},
    {2048, 0b000000010011, 12}, {2112, 0b000000010100, 12}, {2176, 0b000000010101, 12}, {2240, 0b000000010110, 12},
    {2304, 0b000000010111, 12}, {2368, 0b000000011100, 12}, {2432, 0b000000011101, 12}, {2496, 0b000000011110, 12},
    {2560, 0b000000011111, 12},
};

constexpr FaxCode kEol = {0, 0b000000000001, 12};
constexpr int kRtcExtraEols = 5;  // with the last row's EOL, six in a row

// One colour's lookup: entry k is run k for k < 64, else run 64 x (k - 63).
constexpr int kCodeCount = 104;
constexpr int kLongestMakeUp = 2560;
constexpr int kLongestTwoCodeRun = kLongestMakeUp + 63;

struct CodeTable {
  FaxCode entry[kCodeCount];
};

constexpr CodeTable Combine(const FaxCode (&terminating)[64], const FaxCode (&makeUp)[27]) {
  CodeTable table{};
  for (int i = 0; i < 64; ++i) table.entry[i] = terminating[i];
  for (int i = 0; i < 27; ++i) table.entry[64 + i] = makeUp[i];
  for (int i = 0; i < 13; ++i) table.entry[91 + i] = kExtendedMakeUp[i];
  return table;
}

constexpr CodeTable kWhiteCodes = Combine(kWhiteTerminating, kWhiteMakeUp);
constexpr CodeTable kBlackCodes = Combine(kBlackTerminating, kBlackMakeUp);

constexpr bool IndexedByRun(const CodeTable& table) {
  for (int k = 0; k < kCodeCount; ++k)
    if (table.entry[k].run != (k < 64 ? k : 64 * (k - 63))) return false;
  return true;
}

constexpr bool CodesFitLengths(const CodeTable& table) {
  for (const FaxCode& code : table.entry)
    if (code.length < 2 || code.length > 13 || code.bits >= (1u << code.length)) return false;
  return true;
}

constexpr bool IsPrefixOf(const FaxCode& a, const FaxCode& b) {
  return a.length <= b.length && (b.bits >> (b.length - a.length)) == a.bits;
}

// A typo in a table shows up as one code being the start of another (or of EOL).
constexpr bool PrefixFree(const CodeTable& table) {
  for (int i = 0; i < kCodeCount; ++i) {
    if (IsPrefixOf(table.entry[i], kEol) || IsPrefixOf(kEol, table.entry[i])) return false;
    for (int j = 0; j < kCodeCount; ++j)
      if (i != j && IsPrefixOf(table.entry[i], table.entry[j])) return false;
  }
  return true;
}

static_assert(IndexedByRun(kWhiteCodes) && IndexedByRun(kBlackCodes));
static_assert(CodesFitLengths(kWhiteCodes) && CodesFitLengths(kBlackCodes));
static_assert(PrefixFree(kWhiteCodes) && PrefixFree(kBlackCodes));
static_assert(kWhiteCodes.entry[kCodeCount - 1].run == kLongestMakeUp);

// ---------------------------------------------------------------------------
// Runs of equal bits in each byte value, most significant bit first: each
// byte's lengths closed by 0, byte values in order (0x00: 8 0; 0x01: 7 1 0;
// 0x96: 1 2 1 1 2 1 0). Rows become runs a byte at a time through this table.

constexpr int RunsInByte(int value) {
  int runs = 1;
  for (int bit = 6; bit >= 0; --bit) runs += ((value >> bit) & 1) != ((value >> (bit + 1)) & 1);
  return runs;
}

constexpr int CountByteRunEntries() {
  int n = 0;
  for (int value = 0; value < 256; ++value) n += RunsInByte(value) + 1;
  return n;
}

// Each of the seven neighbouring bit pairs differs in half of the 256 values.
constexpr int kByteRunEntries = CountByteRunEntries();
static_assert(kByteRunEntries == 2 * 256 + 7 * 128);

struct ByteRunTable {
  uint8_t length[kByteRunEntries];
  uint16_t start[256];  // where each byte value's list begins
};

constexpr ByteRunTable MakeByteRunTable() {
  ByteRunTable table{};
  int at = 0;
  for (int value = 0; value < 256; ++value) {
    table.start[value] = static_cast<uint16_t>(at);
    int bit = 7;
    while (bit >= 0) {
      const int first = (value >> bit) & 1;
      int length = 0;
      for (; bit >= 0 && ((value >> bit) & 1) == first; --bit) ++length;
      table.length[at++] = static_cast<uint8_t>(length);
    }
    table.length[at++] = 0;
  }
  return table;
}

constexpr ByteRunTable kByteRuns = MakeByteRunTable();

constexpr bool ListIs(int value, std::initializer_list<int> lengths) {
  int at = kByteRuns.start[value];
  for (int length : lengths)
    if (kByteRuns.length[at++] != length) return false;
  return kByteRuns.length[at] == 0;
}
static_assert(ListIs(0x00, {8}) && ListIs(0x01, {7, 1}) && ListIs(0x02, {6, 1, 1}) &&
              ListIs(0x96, {1, 2, 1, 1, 2, 1}) && ListIs(0xFF, {8}));
static_assert(kByteRuns.start[255] == kByteRunEntries - 2);

// ---------------------------------------------------------------------------
// Output bytes collect in a chunk written whole; the chunk does not depend on
// the row width, so no row is too wide for it.

constexpr int kOutputChunk = 64 * 1024;

struct ByteOutput {
  std::FILE* file;
  int count;
  bool failed;
  uint8_t bytes[kOutputChunk];
};

void FlushOutput(ByteOutput& out) {
  if (out.count > 0 &&
      std::fwrite(out.bytes, 1, static_cast<size_t>(out.count), out.file) != static_cast<size_t>(out.count))
    out.failed = true;
  out.count = 0;
}

inline void EmitByte(ByteOutput& out, uint8_t byte) {
  if (out.count == kOutputChunk) FlushOutput(out);
  out.bytes[out.count++] = byte;
}

// Most significant bit first. `count` is the pending bits minus 8 (-8 when
// empty); codes of at most 13 bits after at most 7 pending bits fit 32 bits.
struct FaxBitWriter {
  uint32_t accumulator;
  int16_t count;
  ByteOutput* out;
};

inline void Put(FaxBitWriter& writer, uint32_t code, int length) {
  if (length == 0) {  // the final flush: pending bits high, zero bits after
    writer.accumulator <<= -writer.count;
    writer.count = 0;
  } else {
    writer.accumulator = (writer.accumulator << length) | code;
    writer.count = static_cast<int16_t>(writer.count + length);
  }
  while (writer.count >= 0) {
    EmitByte(*writer.out, static_cast<uint8_t>(writer.accumulator >> writer.count));
    writer.count = static_cast<int16_t>(writer.count - 8);
  }
}

inline void Put(FaxBitWriter& writer, const FaxCode& code) { Put(writer, code.bits, code.length); }

// Long runs take as many 2560 make-up codes as needed first, as T.4 does; runs
// up to 2623 come out as one optional make-up code and one terminating code.
inline void PutRun(FaxBitWriter& writer, const CodeTable& table, uint32_t run) {
  while (run > static_cast<uint32_t>(kLongestTwoCodeRun)) {
    Put(writer, table.entry[kCodeCount - 1]);
    run -= kLongestMakeUp;
  }
  if (run >= 64) Put(writer, table.entry[63 + run / 64]);
  Put(writer, table.entry[run % 64]);
}

// One row of `bytes` bytes to runs (through the byte-run lists) and runs to codes.
// The row starts white, so a row beginning black starts with a white run of 0.
void CodeRow(FaxBitWriter& writer, const uint8_t* row, int64_t bytes, uint8_t flip) {
  const CodeTable* tables[2] = {&kWhiteCodes, &kBlackCodes};
  int colour = 0;
  uint32_t run = 0;
  for (int64_t i = 0; i < bytes; ++i) {
    uint8_t value = static_cast<uint8_t>(row[i] ^ flip);
    const uint8_t* length = kByteRuns.length + kByteRuns.start[value];
    if ((value >> 7) == colour) {
      run += *length;
    } else {
      PutRun(writer, *tables[colour], run);
      colour ^= 1;
      run = *length;
    }
    for (++length; *length; ++length) {
      PutRun(writer, *tables[colour], run);
      colour ^= 1;
      run = *length;
    }
  }
  PutRun(writer, *tables[colour], run);
  Put(writer, kEol);
}

bool CanvasFits(const Canvas& canvas) {
  if (canvas.bitsPerPixel != 1) return false;
  if (canvas.width < 0 || canvas.height < 0 || canvas.stride < 0) return false;
  int64_t rowBytes = canvas.width / 8;
  if (canvas.stride < rowBytes) return false;
  return canvas.pixels || rowBytes == 0 || canvas.height == 0;
}

}  // namespace

int WriteG3File(const Canvas& canvas, const char* fileName, int invert) {
  if (!CanvasFits(canvas)) return 0;
  std::FILE* file = fileName ? std::fopen(fileName, "wb") : nullptr;
  if (!file) return 0;
  ByteOutput* chunk = static_cast<ByteOutput*>(std::malloc(sizeof(ByteOutput)));
  if (!chunk) {
    std::fclose(file);
    return 0;
  }
  ByteOutput& out = *chunk;
  out.file = file;
  out.count = 0;
  out.failed = false;
  FaxBitWriter writer{0, -8, &out};

  Put(writer, kEol);
  int64_t rowBytes = canvas.width / 8;
  uint8_t flip = invert ? 0xFF : 0x00;
  for (int32_t row = 0; row < canvas.height; ++row)
    CodeRow(writer, canvas.pixels + static_cast<int64_t>(row) * canvas.stride, rowBytes, flip);
  for (int i = 0; i < kRtcExtraEols; ++i) Put(writer, kEol);
  Put(writer, 0, 0);
  FlushOutput(out);
  bool failed = out.failed;
  std::free(chunk);
  if (std::fclose(file) != 0) failed = true;
  return failed ? 0 : 1;
}
