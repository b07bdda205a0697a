// The converter dialog: pick an input and an output, view the conversion in
// the preview, and save it. It drives the same Convert and raster writers as
// the command line, one conversion after another in one process.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "app/options.h"
#include "ui/preview.h"

class QLabel;

namespace ui {

// Control ids, kept as each control's object name.
enum ControlId : int {
  kOutputPath = 10001,
  kOutputPick = 10002,
  kInputPath = 10003,
  kInputPick = 10004,
  kWidthField = 10005,
  kWidthUpDown = 10006,
  kHeightField = 10007,
  kHeightUpDown = 10008,
  kRleBox = 10009,
  kViewButton = 10011,
  kSaveButton = 10012,
  kZoomIn = 10013,
  kZoomOut = 10014,
  kQualityField = 10015,
  kQualityUpDown = 10016,
  kStatusText = 10017,
  kDepthText = 10018,
  kPaletteText = 10019,
  kModeText = 10020,
};

// Answers a file dialog: mode 'o' open, 's' save; "" when cancelled.
using FilePicker = std::function<std::string(char mode)>;

class ConverterDialog : public QDialog {
 public:
  // Without a picker the platform's file dialogs are shown.
  explicit ConverterDialog(FilePicker picker = {});
  ~ConverterDialog() override;

  QWidget* Control(int id) const { return controls_.at(id); }
  PreviewWindow* Preview() const { return preview_; }
  const Canvas& CurrentCanvas() const { return job_.canvas; }

  // The View and Save conversion step; 1 or 0.
  int RunConversion(bool save);
  // Clears `path`, then asks the picker; 1 when a file was chosen.
  int PickFile(char mode, std::string& path);
  // Input "...", or a dropped file (`dropped` not null) in place of the file dialog.
  void ChooseInput(const std::string* dropped);
  void ChooseOutput();
  void View();
  void Save();

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildControls();
  void SetText(int id, const QString& text);
  void SetStatus(const char* text);
  void Enable(int id, bool on);
  void EnableByOutputKind();
  void DropPicture();
  int32_t FieldValue(int id) const;

  FilePicker picker_;
  std::map<int, QWidget*> controls_;
  std::map<int, int> upDownOf_;  // field id -> its up-down's id
  PreviewWindow* preview_ = nullptr;
  ConvertJob job_{};
  std::string inputName_;
  std::string outputName_;
};

}  // namespace ui
