// Renders the converter dialog with a drawing viewed in its preview into a PNG,
// for the README, and says how long the View took. Usage: dialog_shot <drawing> <output.png> [zoom-ins]
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/dialog.h"

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::printf("Usage: dialog_shot <drawing> <output.png> [zoom-ins]\n");
    return 1;
  }
  std::string input = argv[1];
  QApplication application(argc, argv);
  ui::ConverterDialog dialog([&](char mode) { return mode == 'o' ? input : std::string("drawing.gif"); });
  dialog.show();
  dialog.ChooseInput(nullptr);
  dialog.ChooseOutput();
  QElapsedTimer timer;
  timer.start();
  dialog.View();
  std::printf("View: %lld ms\n", static_cast<long long>(timer.elapsed()));
  for (int i = argc > 3 ? std::atoi(argv[3]) : 0; i > 0; --i) dialog.Preview()->ZoomAndRefresh(true);
  application.processEvents();
  return dialog.grab().save(argv[2]) ? 0 : 1;
}
