// The program without arguments: the converter dialog, run modally.
#pragma once

// Opens the dialog after the one-second pause at start; its end value is the
// exit status (1 Cancel or Escape, 0 the close box). With no display to open
// it on, prints one line and returns -1.
int RunConverterDialog(int argc, char* argv[]);
