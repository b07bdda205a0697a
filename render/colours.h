// The ColourTable: 256 colour values (0x00BBGGRR, red in the lowest byte) through
// which the colour numbers of a Drawing become colours. The current table is
// process-wide: the EMF translator rewrites its entries while it reads, and the
// renderer and the vector writers read it.
#pragma once

#include <cstdint>

using ColourRef = uint32_t;  // 0x00BBGGRR

inline uint8_t RedOf(ColourRef c) { return c & 0xFF; }
inline uint8_t GreenOf(ColourRef c) { return (c >> 8) & 0xFF; }
inline uint8_t BlueOf(ColourRef c) { return (c >> 16) & 0xFF; }
inline ColourRef MakeColourRef(uint8_t r, uint8_t g, uint8_t b) {
  return r | (static_cast<uint32_t>(g) << 8) | (static_cast<uint32_t>(b) << 16);
}

// Entry `index` of the built-in table (the DXF colour index colours).
ColourRef BuiltInColour(int index);

// The current table: 256 writable entries.
ColourRef* CurrentColourTable();
// Makes `table` (256 entries, owned by the caller) current; null restores the built-in copy.
void SetCurrentColourTable(ColourRef* table);
// Fills a writable copy of the built-in table and makes it current.
void UseBuiltInColourTable();
