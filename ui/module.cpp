// The dialog as a module the program loads only when started without
// arguments, so that a command-line conversion never pays for loading Qt.
#include "ui/start.h"

extern "C" __attribute__((visibility("default"))) int KartexRunConverterDialog(int argc, char* argv[]) {
  return RunConverterDialog(argc, argv);
}
