// A generated printed-circuit layer for timing and end-to-end runs: traces of a
// few 45/90-degree segments (some with arcs), rows of IC pads and vias, in
// format 2.4 inches on a 4:3 board whose area grows with the counts (4 x 3
// inches for 5,000 draws and flashes). Deterministic for a given seed.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace gerber_board {

struct Counts {
  int draws;    // D01 blocks
  int flashes;  // D03 blocks
};

inline std::string MakeBoard(Counts want, uint32_t seed = 1) {
  uint32_t state = seed;
  auto next = [&state](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  std::string out =
      "G04 generated board*\n%FSLAX24Y24*%\n%MOIN*%\n%LPD*%\n"
      "%ADD10C,0.0080*%\n%ADD11C,0.0120*%\n%ADD12C,0.0250*%\n%ADD13C,0.0400X0.0200*%\n"
      "%ADD14R,0.0600X0.0240*%\n%ADD15O,0.0240X0.0600*%\n%ADD16R,0.0700X0.0700X0.0350*%\n"
      "%ADD17P,0.0600X8*%\n%AMTHERM*7,0,0,0.08,0.06,0.01,45*%\n%ADD18THERM*%\nG75*\n";
  char line[96];
  auto add = [&](const char* format, long a, long b) {
    std::snprintf(line, sizeof line, format, a, b);
    out += line;
  };
  double side = std::sqrt((want.draws + want.flashes) / 5000.0);
  const uint32_t width = static_cast<uint32_t>(40000 * side), height = width * 3 / 4;
  const long margin = 1000;
  int draws = 0, flashes = 0;
  while (draws < want.draws || flashes < want.flashes) {
    if (flashes < want.flashes && (draws >= want.draws || next(3) == 0)) {
      // A footprint: a row of pads, or a few vias.
      long x = margin + next(width - 2 * margin - 8000), y = margin + next(height - 2 * margin - 3000);
      bool ic = next(2) == 0;
      out += ic ? (next(2) ? "G54D14*\n" : "G54D15*\n") : (next(4) ? "G54D13*\n" : "G54D16*\n");
      int n = ic ? 4 + static_cast<int>(next(12)) : 1 + static_cast<int>(next(3));
      for (int k = 0; k < n && flashes < want.flashes; ++k, ++flashes)
        add("X%ldY%ldD03*\n", ic ? x + 500L * k : x + 900L * k, ic ? y : y + 300L * k);
      continue;
    }
    // A trace: a move and a few segments, now and then a quarter arc.
    out += next(5) ? "G54D10*\n" : (next(2) ? "G54D11*\n" : "G54D12*\n");
    long x = margin + next(width - 2 * margin), y = margin + next(height - 2 * margin);
    add("G01X%ldY%ldD02*\n", x, y);
    int segments = 1 + static_cast<int>(next(5));
    for (int k = 0; k < segments && draws < want.draws; ++k, ++draws) {
      long length = 100 + next(1500);
      int direction = static_cast<int>(next(8));
      static const int dx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
      if (next(12) == 0) {
        // Quarter turn counter-clockwise about a centre `length` to the left.
        add("G03X%ldY%ld", x - length, y + length);
        add("I%ldJ%ldD01*\n", -length, 0);
        x -= length;
        y += length;
        out += "G01*\n";
        continue;
      }
      // Turn back rather than leave the board.
      long nx = x + dx[direction] * length, ny = y + dy[direction] * length;
      if (nx < 0 || nx > static_cast<long>(width)) nx = x - dx[direction] * length;
      if (ny < 0 || ny > static_cast<long>(height)) ny = y - dy[direction] * length;
      x = nx;
      y = ny;
      add("X%ldY%ldD01*\n", x, y);
    }
  }
  out += "M02*\n";
  return out;
}

}  // namespace gerber_board
