// The converter dialog and its preview, driven offscreen with file names
// handed in place of the file dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"
#include "ui/dialog.h"

namespace {

using testing_support::TempDir;
using namespace ui;

void StartApplication() {
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Kept to the end: destroyed among the exit handlers it would outlive Qt's own statics.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

const std::string kDxf200x100 =
    "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n200\n20\n100\n0\nENDSEC\n"
    "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n62\n1\n10\n0\n20\n0\n11\n200\n21\n100\n0\nENDSEC\n0\nEOF\n";

// A dialog whose file dialogs answer with `open` and `save`.
struct Harness {
  std::string open, save;
  ConverterDialog dialog{[this](char mode) { return mode == 'o' ? open : save; }};
  Harness() { dialog.show(); }
  std::string Text(int id) const {
    QWidget* w = dialog.Control(id);
    auto* edit = qobject_cast<QLineEdit*>(w);
    return (edit ? edit->text() : static_cast<QLabel*>(w)->text()).toStdString();
  }
  void Set(int id, const char* text) { static_cast<QLineEdit*>(dialog.Control(id))->setText(text); }
  bool Enabled(int id) const { return dialog.Control(id)->isEnabled(); }
  void Click(int id) { static_cast<QPushButton*>(dialog.Control(id))->click(); }
  void Fields(const char* width, const char* height) const {
    EXPECT_EQ(Text(kWidthField), width);
    EXPECT_EQ(Text(kHeightField), height);
  }
};

TEST(ConverterDialog, OpensWaitingForInput) {
  StartApplication();
  Harness h;
  EXPECT_EQ(h.Text(kStatusText), "Input file?");
  h.Fields("1728", "2287");
  EXPECT_EQ(h.Text(kQualityField), "75");
  for (int id : {kInputPick, kOutputPick}) EXPECT_TRUE(h.Enabled(id)) << id;
  for (int id :
       {kWidthField, kWidthUpDown, kHeightField, kViewButton, kZoomIn, kZoomOut, kSaveButton, kQualityField, kRleBox})
    EXPECT_FALSE(h.Enabled(id)) << id;
}

TEST(ConverterDialog, UnknownInputLeavesViewDisabled) {
  StartApplication();
  Harness h;
  h.open = "x.txt";
  h.Click(kInputPick);
  EXPECT_EQ(h.Text(kStatusText), "Unknown input type!");
  EXPECT_EQ(h.Text(kInputPath), "x.txt");
  EXPECT_FALSE(h.Enabled(kViewButton));
}

// Each View starts from the last fitted size, so the picture shrinks a little.
TEST(ConverterDialog, RepeatedViewsRefitTheFittedSize) {
  StartApplication();
  TempDir dir;
  testing_support::WriteFile(dir.File("a.dxf"), kDxf200x100);
  Harness h;
  h.open = dir.File("a.dxf");
  h.Click(kInputPick);
  EXPECT_EQ(h.Text(kStatusText), "Ready to view");
  const char* sizes[][2] = {{"1727", "863"}, {"1723", "861"}, {"1720", "860"}};
  for (auto& size : sizes) {
    h.Click(kViewButton);
    EXPECT_EQ(h.Text(kStatusText), "View OK");
    h.Fields(size[0], size[1]);
  }
  EXPECT_EQ(h.Text(kDepthText), "8");
  EXPECT_EQ(h.Text(kPaletteText), "DXF");
  EXPECT_EQ(h.Text(kModeText), "Rast");
  EXPECT_TRUE(h.Enabled(kZoomIn));
}

// 0 and 1 are taken as 2: a drawing 1 wide and 1000 high then keeps its height
// (at 0 or 1 it would shrink to a single pixel), and the zoom stays finite.
TEST(ConverterDialog, WidthBelowTwoIsTakenAsTwo) {
  StartApplication();
  TempDir dir;
  testing_support::WriteFile(dir.File("tall.dxf"),
                             "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1000\n"
                             "0\nENDSEC\n0\nEOF\n");
  for (const char* width : {"0", "1"}) {
    Harness h;
    h.open = dir.File("tall.dxf");
    h.Click(kInputPick);
    h.Set(kWidthField, width);
    h.Click(kViewButton);
    h.Fields("1", "1000");
    EXPECT_TRUE(std::isfinite(h.dialog.Preview()->Zoom()));
  }
}

// Save by output kind: vector kinds render and write; BMP and GIF write the
// viewed picture whole, as rendered, and fail without one.
TEST(ConverterDialog, SaveFlowsByOutputKind) {
  StartApplication();
  struct Case {
    const char* output;
    bool view;
    const char* width;  // typed before the View
    const char* status;
    int32_t bmpWidth;  // 0: no BMP to check
  } cases[] = {
      {"out.dxf", false, "1728", "Save OK", 0},      {"out.bmp", true, "1728", "Save OK", 1727},
      {"out.bmp", true, "3000", "Save OK", 2999},  // beyond the arrows' range: not capped
      {"out.bmp", false, "1728", "Save failed!", 0}, {"out.gif", false, "1728", "Save failed!", 0},
      {"out.svg", false, "1728", "Save OK", 0},      {"out.png", true, "1728", "Save OK", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.output) + " width " + c.width);
    TempDir dir;
    testing_support::WriteFile(dir.File("a.dxf"), kDxf200x100);
    Harness h;
    h.open = dir.File("a.dxf");
    h.save = dir.File(c.output);
    h.Click(kInputPick);
    h.Click(kOutputPick);
    EXPECT_EQ(h.Text(kStatusText), "Ready to save");
    h.Set(kWidthField, c.width);
    if (c.view) h.Click(kViewButton);
    // Without its input any conversion would fail: a BMP is not rendered again.
    if (c.view) std::remove(dir.File("a.dxf").c_str());
    h.Click(kSaveButton);
    EXPECT_EQ(h.Text(kStatusText), c.status);
    bool ok = std::string(c.status) == "Save OK";
    EXPECT_EQ(testing_support::FileExists(h.save), ok);
    if (c.bmpWidth) { EXPECT_EQ(testing_support::Le32(testing_support::ReadFile(h.save), 18), uint32_t(c.bmpWidth)); }
  }
}

TEST(ConverterDialog, CancelledSaveDialogClearsTheOutput) {
  StartApplication();
  Harness h;
  h.save = "";
  h.Click(kOutputPick);
  EXPECT_EQ(h.Text(kStatusText), "Unknown output type!");
  EXPECT_FALSE(h.Enabled(kSaveButton));
}

TEST(ConverterDialog, EscapeEndsWithOneAndTheCloseBoxWithZero) {
  StartApplication();
  Harness escaped;
  QTest::keyClick(&escaped.dialog, Qt::Key_Escape);
  EXPECT_EQ(escaped.dialog.result(), 1);
  Harness closed;
  closed.dialog.close();
  EXPECT_EQ(closed.dialog.result(), 0);
}

// Conversion after conversion in one process: an EMF's colours, taken into the
// colour table by its translation, do not reach the next DXF.
TEST(ConverterDialog, LaterConversionsDrawAsAFreshProcess) {
  StartApplication();
  TempDir dir;
  testing_support::WriteFile(dir.File("a.dxf"), kDxf200x100);
  testing_support::EmfWriter emf;
  emf.Header(0, 0, 100, 100).Pen(1, 0, 1, 0x00FF00).Select(1).MoveTo(0, 0).LineTo(100, 100);
  testing_support::WriteFile(dir.File("b.emf"), emf.Eof().Str());
  Harness h;
  auto view = [&](const std::string& input, const std::string& output) {
    h.open = dir.File(input);
    h.save = dir.File(output);
    h.Click(kInputPick);
    if (!output.empty()) h.Click(kOutputPick);
    h.Click(kViewButton);
    EXPECT_EQ(h.Text(kStatusText), "View OK") << input;
    const Canvas& c = h.dialog.CurrentCanvas();
    return std::string(reinterpret_cast<const char*>(c.pixels), size_t(c.stride) * size_t(c.height));
  };
  std::string first = view("a.dxf", "");
  view("b.emf", "b.dxf");
  EXPECT_TRUE(view("a.dxf", "") == first);
}

PreviewGeometry Picture(int32_t width, int32_t height, int32_t clientWidth, int32_t clientHeight) {
  PreviewGeometry g{clientWidth, clientHeight, {}, {}, 1.0, width, height};
  SetScrollRanges(g);
  return g;
}

TEST(PreviewGeometry, ZoomDoublesToSixteenThenRefusesAndHalvesAroundTheCentre) {
  PreviewGeometry g = Picture(1727, 863, 400, 300);
  for (double expected : {2.0, 4.0, 8.0, 16.0}) {
    EXPECT_EQ(ZoomGeometry(g, true), 1);
    EXPECT_EQ(g.zoom, expected);
  }
  EXPECT_EQ(ZoomGeometry(g, true), 0);
  EXPECT_EQ(g.zoom, 16.0);

  g = Picture(1727, 863, 400, 300);
  g.horizontal.position = 100;  // centre 300 becomes 150: position -50
  EXPECT_EQ(ZoomGeometry(g, false), 1);
  EXPECT_EQ(g.horizontal.position, -50);
  ClampGeometry(g);
  EXPECT_EQ(g.horizontal.position, 0);

  PreviewGeometry none{};
  EXPECT_EQ(ZoomGeometry(none, true), 0);
}

// A picture 1000 x 500 in a client 400 x 300: the horizontal limit is
// 599 - q, the vertical one 219 - q (20 pixels more generous).
TEST(PreviewGeometry, ScrollStepsStopAtTheLimits) {
  struct Case {
    bool vertical;
    int request;
    int32_t thumb, position, step;
  } cases[] = {
      {false, kLineForward, 0, 0, 5},   {false, kPageForward, 0, 0, 50},   {false, kLineBack, 0, 0, 0},
      {false, kLineForward, 0, 599, 0}, {false, kThumbTrack, 700, 0, 599}, {false, kPageBack, 0, 30, -30},
      {false, kThumbReleased, 9, 0, 0}, {true, kLineForward, 0, 219, 0},   {true, kThumbTrack, 400, 0, 219},
      {true, kLineBack, 0, 3, -3},      {true, kPageForward, 0, 200, 19},
  };
  for (const Case& c : cases) {
    PreviewGeometry g = Picture(1000, 500, 400, 300);
    (c.vertical ? g.vertical : g.horizontal).position = c.position;
    int32_t step = c.vertical ? ScrollStepY(g, c.request, c.thumb) : ScrollStepX(g, c.request, c.thumb);
    EXPECT_EQ(step, c.step) << c.vertical << " " << c.request << " " << c.position;
  }
}

// What the preview shows is the canvas, pixel for pixel at zoom 1 and in
// 2 x 2 blocks at zoom 2, on the grey background; before a View, only grey.
TEST(PreviewWindow, ShowsTheCanvasNearestNeighbour) {
  StartApplication();
  QImage picture(7, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) picture.setPixel(x, y, qRgb(x * 30, y * 50, (x * y) & 0xFF));
  PreviewWindow preview(nullptr);
  preview.resize(60, 50);
  preview.show();
  QImage empty = preview.Client()->grab().toImage();
  EXPECT_EQ(empty.pixel(3, 3), 0xFFC0C0C0u);
  preview.SetPicture(picture);
  for (int zoom : {1, 2}) {
    preview.SetZoom(zoom);
    preview.Refresh();
    QImage shown = preview.Client()->grab().toImage();
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) {
        QRgb expected = x < 7 * zoom && y < 5 * zoom ? picture.pixel(x / zoom, y / zoom) : 0xFFC0C0C0u;
        ASSERT_EQ(shown.pixel(x, y), expected) << zoom << " " << x << "," << y;
      }
  }
}

// The bars' own arrows move the picture through the same steps, and setting
// the bars from the geometry scrolls nothing of itself.
TEST(PreviewWindow, ScrollBarsStepThePicture) {
  StartApplication();
  PreviewWindow preview(nullptr);
  preview.resize(100, 80);
  preview.show();
  preview.SetPicture(QImage(300, 200, QImage::Format_RGB32));
  preview.SetZoom(1);
  preview.Refresh();
  for (QScrollBar* bar : preview.findChildren<QScrollBar*>()) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const PreviewGeometry& g = preview.Geometry();
    const ScrollAxis& a = bar->orientation() == Qt::Horizontal ? g.horizontal : g.vertical;
    EXPECT_EQ(a.position, 55);
    EXPECT_EQ(bar->value(), 55);
  }
  preview.UpdateScrollBars(true);
  EXPECT_EQ(preview.Geometry().horizontal.position, 55);
}

}  // namespace
