#include "ui/dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/convert.h"
#include "render/colours.h"
#include "ui/start.h"

namespace ui {

namespace {

enum ControlKind { kLabel, kPathText, kButton, kDefaultButton, kEdit, kUpDown, kText, kCheckBox };

// Each control in dialog units; an up-down's buddy is the control made just before it.
struct ControlPlace {
  int id;  // -1: a label nothing refers to
  ControlKind kind;
  const char* text;
  int x, y, width, height;
  int rangeMax;  // up-downs: the arrows stop at 0 and this
};

constexpr ControlPlace kControls[] = {
    {-1, kLabel, "Input", 6, 11, 18, 9, 0},
    {kInputPath, kPathText, "", 30, 10, 96, 10, 0},
    {kInputPick, kDefaultButton, "...", 127, 10, 16, 10, 0},
    {-1, kLabel, "Width", 145, 8, 22, 11, 0},
    {kWidthField, kEdit, "", 170, 8, 22, 10, 0},
    {kWidthUpDown, kUpDown, "", 192, 8, 7, 10, kDefaultWidth},
    {-1, kLabel, "Height", 145, 21, 22, 11, 0},
    {kHeightField, kEdit, "", 170, 21, 22, 10, 0},
    {kHeightUpDown, kUpDown, "", 192, 21, 7, 10, kDefaultHeight},
    {-1, kLabel, "Zoom", 7, 48, 20, 9, 0},
    {kZoomIn, kButton, "in", 28, 48, 16, 9, 0},
    {kZoomOut, kButton, "out", 46, 48, 17, 9, 0},
    {-1, kLabel, "Mode", 125, 200, 18, 9, 0},
    {kModeText, kText, "", 145, 200, 20, 9, 0},
    {-1, kLabel, "Depth", 167, 200, 20, 9, 0},
    {kDepthText, kText, "", 188, 200, 11, 9, 0},
    {-1, kLabel, "Palette", 201, 200, 24, 9, 0},
    {kPaletteText, kText, "", 225, 200, 17, 9, 0},
    {kViewButton, kButton, "View", 205, 7, 38, 23, 0},
    {kStatusText, kText, "", 26, 200, 95, 9, 0},
    {-1, kLabel, "Output", 7, 30, 21, 10, 0},
    {kOutputPath, kPathText, "", 30, 30, 96, 10, 0},
    {kOutputPick, kButton, "...", 127, 30, 16, 10, 0},
    {-1, kLabel, "%JPEG", 176, 34, 27, 9, 0},
    {kQualityField, kEdit, "", 153, 34, 17, 9, 0},
    {kQualityUpDown, kUpDown, "", 168, 34, 7, 9, 100},
    {kRleBox, kCheckBox, "RLE-BMP", 157, 45, 44, 9, 0},
    {kSaveButton, kButton, "Save", 205, 32, 38, 23, 0},
    {-1, kLabel, "Hint", 6, 200, 15, 9, 0},
};
static_assert(std::size(kControls) == 29);

constexpr int kDialogWidthUnits = 249;
constexpr int kDialogHeightUnits = 216;
// The preview's place is given in pixels for the standard base units (6 x 13):
// at (6, 96), 12 narrower and 126 shorter than the client area.
constexpr int kStandardBaseX = 6;
constexpr int kStandardBaseY = 13;
constexpr int kPreviewLeft = 6;
constexpr int kPreviewTop = 96;
constexpr int kPreviewWidthLess = 12;
constexpr int kPreviewHeightLess = 126;

constexpr char kCaption[] = "%s - vector/bitmap convertor v4.03";
constexpr char kDefaultSaveExtension[] = "gif";

struct Filter {
  const char* description;
  const char* patterns;
};
constexpr Filter kOpenFilters[] = {
    {"All", "*.dxf;*.emf;*.wmf;*.gbr"}, {"DXF", "*.dxf"}, {"EMF", "*.emf"}, {"WMF", "*.wmf"}, {"Gerber", "*.gbr"}};
constexpr Filter kSaveFilters[] = {
    {"All", "*.gif;*.bmp;*.g3;*.jpg;*.dxf;*.vml;*.htm;*.png;*.svg"},
    {"GIF", "*.gif"},
    {"BMP", "*.bmp"},
    {"G3", "*.g3"},
    {"JPEG", "*.jpg"},
    {"DXF", "*.dxf"},
    {"VML", "*.vml"},
    {"HTML", "*.htm"},
    {"PNG", "*.png"},
    {"SVG", "*.svg"},
};

template <size_t N>
QString QtFilters(const Filter (&filters)[N]) {
  QStringList list;
  for (const Filter& f : filters) list << QString("%1 (%2)").arg(f.description, QString(f.patterns).replace(';', ' '));
  return list.join(";;");
}

bool IsRasterKind(int32_t kind) { return kind >= kKindBmp && !(kind & kVectorKinds); }
// Outputs whose picture a View (at 8 bits) cannot give as it will be written:
// vector files, and depths other than 8 (G3, JPEG, PNG of a metafile). They are rendered again.
bool DropsPicture(int32_t outputKind, int32_t inputKind) {
  return (outputKind & kVectorKinds) || BitsPerPixelFor(outputKind, inputKind) != 8;
}

// Arrows beside a digits-only field. The range limits only the arrows: a value
// typed beyond it stays as typed until an arrow is pressed.
class UpDown : public QWidget {
 public:
  UpDown(QWidget* parent, QLineEdit* buddy, int maximum) : QWidget(parent), buddy_(buddy), maximum_(maximum) {
    for (int i = 0; i < 2; ++i) {
      arrows_[i] = new QToolButton(this);
      arrows_[i]->setArrowType(i == 0 ? Qt::UpArrow : Qt::DownArrow);
      arrows_[i]->setAutoRepeat(true);
      arrows_[i]->setFocusPolicy(Qt::NoFocus);
      connect(arrows_[i], &QToolButton::clicked, this, [this, i] { Step(i == 0 ? 1 : -1); });
    }
  }
  void SetPosition(int value) { buddy_->setText(QString::number(value)); }

 protected:
  void resizeEvent(QResizeEvent*) override {
    int half = height() / 2;
    arrows_[0]->setGeometry(0, 0, width(), half);
    arrows_[1]->setGeometry(0, half, width(), height() - half);
  }

 private:
  void Step(int by) {
    bool ok = false;
    int64_t value = buddy_->text().toUInt(&ok);
    SetPosition(static_cast<int>(std::clamp<int64_t>(std::clamp<int64_t>(value, 0, maximum_) + by, 0, maximum_)));
  }
  QLineEdit* buddy_;
  int maximum_;
  QToolButton* arrows_[2];
};

}  // namespace

ConverterDialog::ConverterDialog(FilePicker picker) : picker_(std::move(picker)) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QString::asprintf(kCaption, kProgramName));
  setAcceptDrops(true);
  QFont dialogFont("Liberation Sans");
  dialogFont.setStyleHint(QFont::SansSerif);
  dialogFont.setPointSize(8);
  setFont(dialogFont);
  BuildControls();
  job_.canvas.width = kDefaultWidth;
  job_.canvas.height = kDefaultHeight;

  SetText(kWidthField, QString::number(kDefaultWidth));
  SetText(kHeightField, QString::number(kDefaultHeight));
  SetText(kQualityField, QString::number(kDefaultQuality));
  for (int id : {kWidthField, kHeightField, kViewButton, kZoomIn, kZoomOut, kSaveButton}) Enable(id, false);
  Enable(kOutputPick, true);
  EnableByOutputKind();
  SetStatus("Input file?");
}

ConverterDialog::~ConverterDialog() { FreeCanvas(job_.canvas); }

void ConverterDialog::BuildControls() {
  // Dialog units to pixels through the font's base units, as the resource's layout is meant.
  QFontMetrics metrics(font());
  int baseX = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  int baseY = metrics.height();
  auto px = [&](int units) { return (units * baseX + 2) / 4; };
  auto py = [&](int units) { return (units * baseY + 4) / 8; };
  setFixedSize(px(kDialogWidthUnits), py(kDialogHeightUnits));

  QWidget* previous = nullptr;
  int previousId = 0;
  for (const ControlPlace& place : kControls) {
    QWidget* w = nullptr;
    switch (place.kind) {
      case kLabel: w = new QLabel(place.text, this); break;
      case kPathText:
      case kText: {
        auto* label = new QLabel(this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
        label->setAlignment((place.kind == kPathText ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        w = label;
        break;
      }
      case kButton:
      case kDefaultButton: {
        auto* button = new QPushButton(place.text, this);
        button->setAutoDefault(false);
        button->setDefault(place.kind == kDefaultButton);
        w = button;
        break;
      }
      case kEdit: {
        auto* edit = new QLineEdit(this);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        edit->setTextMargins(0, 0, 0, 0);
        w = edit;
        break;
      }
      case kUpDown:
        w = new UpDown(this, static_cast<QLineEdit*>(previous), place.rangeMax);
        upDownOf_[previousId] = place.id;
        break;
      case kCheckBox:
        w = new QCheckBox(place.text, this);
        w->setStyleSheet("QCheckBox { spacing: 3px; }");  // the label fits its narrow place
        break;
    }
    w->setObjectName(QString::number(place.id));
    w->setGeometry(px(place.x), py(place.y), px(place.width), py(place.height));
    if (place.id > 0) controls_[place.id] = w;
    previous = w;
    previousId = place.id;
  }
  auto onClick = [this](int id, auto handler) {
    connect(static_cast<QPushButton*>(Control(id)), &QPushButton::clicked, this, handler);
  };
  onClick(kInputPick, [this] { ChooseInput(nullptr); });
  onClick(kOutputPick, [this] { ChooseOutput(); });
  onClick(kViewButton, [this] { View(); });
  onClick(kSaveButton, [this] { Save(); });
  onClick(kZoomIn, [this] { preview_->ZoomAndRefresh(true); });
  onClick(kZoomOut, [this] { preview_->ZoomAndRefresh(false); });

  preview_ = new PreviewWindow(this);
  int left = kPreviewLeft * baseX / kStandardBaseX;
  int top = kPreviewTop * baseY / kStandardBaseY;
  preview_->setGeometry(left, top, width() - kPreviewWidthLess * baseX / kStandardBaseX,
                        height() - kPreviewHeightLess * baseY / kStandardBaseY);
  preview_->UpdateScrollBars(true);
}

void ConverterDialog::SetText(int id, const QString& text) {
  QWidget* w = Control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w))
    edit->setText(text);
  else if (auto* label = qobject_cast<QLabel*>(w))
    label->setText(text);
}

void ConverterDialog::SetStatus(const char* text) { SetText(kStatusText, text); }

void ConverterDialog::Enable(int id, bool on) {
  Control(id)->setEnabled(on);
  auto upDown = upDownOf_.find(id);
  if (upDown != upDownOf_.end()) Control(upDown->second)->setEnabled(on);
}

void ConverterDialog::EnableByOutputKind() {
  Enable(kQualityField, job_.outputKind == kKindJpeg);
  Enable(kRleBox, job_.outputKind == kKindBmp);
}

void ConverterDialog::DropPicture() {
  FreeCanvas(job_.canvas);
  preview_->SetPicture({});
}

int32_t ConverterDialog::FieldValue(int id) const {
  bool ok = false;
  uint32_t value = static_cast<QLineEdit*>(Control(id))->text().toUInt(&ok);
  return ok ? static_cast<int32_t>(std::min<uint32_t>(value, INT32_MAX)) : 0;
}

int ConverterDialog::PickFile(char mode, std::string& path) {
  path.clear();
  if (picker_) {
    path = picker_(mode);
    return !path.empty();
  }
  bool open = mode == 'o';
  QFileDialog dialog(this, QString(), QString(), open ? QtFilters(kOpenFilters) : QtFilters(kSaveFilters));
  dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!open) dialog.setDefaultSuffix(kDefaultSaveExtension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
  path = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
  return !path.empty();
}

void ConverterDialog::ChooseInput(const std::string* dropped) {
  DropPicture();
  job_.inputKind = kKindNone;
  job_.outputKind = kKindNone;
  inputName_.clear();
  outputName_.clear();
  std::memset(job_.canvas.palette.entries, 0, sizeof job_.canvas.palette.entries);

  SetText(kOutputPath, "");
  SetText(kWidthField, QString::number(kDefaultWidth));
  SetText(kHeightField, QString::number(kDefaultHeight));
  for (int id : {kDepthText, kPaletteText, kModeText}) SetText(id, "");
  for (int id : {kWidthField, kHeightField, kViewButton, kZoomIn, kZoomOut, kSaveButton}) Enable(id, false);
  Enable(kOutputPick, true);
  EnableByOutputKind();
  preview_->Refresh();

  bool chosen = dropped ? !(inputName_ = *dropped).empty() : PickFile('o', inputName_);
  if (chosen) SetText(kInputPath, QFile::decodeName(inputName_.c_str()));
  job_.inputKind = FileKindOf(inputName_.c_str(), 1);
  if (job_.inputKind == kKindNone) {
    SetStatus("Unknown input type!");
    return;
  }
  SetStatus("Ready to view");
  for (int id : {kWidthField, kHeightField, kViewButton, kOutputPick}) Enable(id, true);
}

void ConverterDialog::ChooseOutput() {
  if (PickFile('s', outputName_)) SetText(kOutputPath, QFile::decodeName(outputName_.c_str()));
  job_.outputKind = FileKindOf(outputName_.c_str(), 0);
  if (job_.outputKind == kKindNone) {
    SetStatus("Unknown output type!");
    return;
  }
  if (DropsPicture(job_.outputKind, job_.inputKind)) {
    DropPicture();
    preview_->Refresh();
    SetText(kWidthField, QString::number(kDefaultWidth));
    SetText(kHeightField, QString::number(kDefaultHeight));
    for (int id : {kDepthText, kPaletteText, kModeText}) SetText(id, "");
  }
  Enable(kOutputPick, true);
  Enable(kSaveButton, true);
  EnableByOutputKind();
  SetStatus("Ready to save");
}

int ConverterDialog::RunConversion(bool save) {
  Canvas& canvas = job_.canvas;
  canvas.width = std::max(FieldValue(kWidthField), 2);
  canvas.height = std::max(FieldValue(kHeightField), 2);
  canvas.bitsPerPixel = BitsPerPixelFor(job_.outputKind, job_.inputKind);
  SetText(kDepthText, QString::number(canvas.bitsPerPixel));
  // Every conversion starts from a fresh built-in table, whatever the last one
  // (an EMF's colours, say) left in it, so it draws as a new process would.
  UseBuiltInColourTable();
  if (canvas.bitsPerPixel == 8) {
    CopyColourTable(CurrentColourTable(), canvas.palette.entries);
    SetText(kPaletteText, "DXF");
  } else {
    std::memset(canvas.palette.entries, 0, sizeof canvas.palette.entries);
    canvas.palette.entries[0] = {255, 255, 255, 0};
    SetText(kPaletteText, "Non");
  }
  int64_t stride = RowStride(canvas.width, canvas.bitsPerPixel);
  bool vectorFile = (job_.outputKind & kVectorKinds) && !outputName_.empty();
  SetText(kModeText, vectorFile ? "Vect" : "Rast");
  DropPicture();
  if (stride <= 0) return 0;
  canvas.stride = static_cast<int32_t>(stride);

  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Qt takes the process locale from the environment; numbers are read and written in the C one.
  std::setlocale(LC_NUMERIC, "C");
  int ok = Convert(canvas, inputName_.c_str(), job_.inputKind, save ? outputName_.c_str() : nullptr, job_.outputKind);
  QApplication::restoreOverrideCursor();
  if (!ok) return 0;

  Enable(kZoomIn, true);
  Enable(kZoomOut, true);
  preview_->SetPicture(CanvasImage(canvas));
  // The fitted picture fills the preview's width (a one-column picture: one column's worth).
  preview_->SetZoom(static_cast<double>(preview_->ClientWidth()) / std::max(canvas.width - 1, 1));
  preview_->Refresh();
  if (IsRasterKind(job_.outputKind)) {
    Enable(kOutputPick, true);
    Enable(kSaveButton, true);
    EnableByOutputKind();
  }
  SetText(kWidthField, QString::number(canvas.width));
  SetText(kHeightField, QString::number(canvas.height));
  return 1;
}

void ConverterDialog::View() { SetStatus(RunConversion(false) ? "View OK" : "View failed!"); }

void ConverterDialog::Save() {
  if (DropsPicture(job_.outputKind, job_.inputKind)) {
    SetStatus(RunConversion(true) ? "Save OK" : "Save failed!");
    if (job_.outputKind & kVectorKinds) return;
  }
  // BMP, GIF and PNG are written from the last View's picture, whole, at the size it was rendered.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  job_.outputName = outputName_.c_str();
  job_.rle = static_cast<QCheckBox*>(Control(kRleBox))->isChecked();
  job_.quality = FieldValue(kQualityField);
  int ok = job_.canvas.pixels && WriteRasterOutput(job_);
  QApplication::restoreOverrideCursor();
  SetStatus(ok ? "Save OK" : "Save failed!");
}

void ConverterDialog::reject() {
  DropPicture();
  done(1);
}

void ConverterDialog::closeEvent(QCloseEvent* event) {
  DropPicture();
  done(0);
  event->accept();
}

void ConverterDialog::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile()) event->acceptProposedAction();
}

void ConverterDialog::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!data->hasUrls() || data->urls().isEmpty()) return;
  std::string name = QFile::encodeName(data->urls().first().toLocalFile()).toStdString();
  event->acceptProposedAction();
  ChooseInput(&name);
}

}  // namespace ui

int RunConverterDialog(int argc, char* argv[]) {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
    std::printf("%s: no display for the converter dialog (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n", kProgramName);
    return -1;
  }
  QApplication application(argc, argv);
  std::this_thread::sleep_for(std::chrono::seconds(1));  // the pause before the dialog opens
  ui::ConverterDialog dialog;
  return dialog.exec();
}
