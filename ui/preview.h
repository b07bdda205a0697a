// The preview window of the converter dialog: the rendered canvas scaled by a
// zoom factor (nearest neighbour), with scroll bars that are disabled, never
// hidden, when the picture fits. The geometry is plain integer and float
// arithmetic in `PreviewGeometry`, so it can be checked without a window.
#pragma once

#include <QFrame>
#include <QImage>
#include <cstdint>

#include "render/canvas.h"

class QScrollBar;

namespace ui {

// One scroll bar: range 0..maximum, page, and the position q (in zoomed
// pixels) shown at the client area's left or top edge. The position may lie
// outside what the bar can show; the picture is drawn from it as it stands.
struct ScrollAxis {
  int32_t maximum;
  int32_t page;
  int32_t position;
};

struct PreviewGeometry {
  int32_t clientWidth;
  int32_t clientHeight;
  ScrollAxis horizontal;
  ScrollAxis vertical;
  double zoom;  // screen pixels per canvas pixel; 0 until the first picture
  int32_t pictureWidth;
  int32_t pictureHeight;
};

// Scroll requests, numbered as the platform's scroll-bar codes.
enum ScrollRequest : int {
  kLineBack = 0,
  kLineForward = 1,
  kPageBack = 2,
  kPageForward = 3,
  kThumbReleased = 4,
  kThumbTrack = 5,
  kToStart = 6,
  kToEnd = 7,
  kEndScroll = 8,
};

// Scaled picture sizes S: picture size times zoom.
double ScaledWidth(const PreviewGeometry& g);
double ScaledHeight(const PreviewGeometry& g);
// Maximum = S truncated and page = client size, for both axes.
void SetScrollRanges(PreviewGeometry& g);
// Doubles or halves the zoom keeping the middle of the view in place; refuses
// (0) with no picture, or when zooming in would pass 32766 pixels on a side.
int ZoomGeometry(PreviewGeometry& g, bool zoomIn);
// Brings each position back inside the scaled picture.
void ClampGeometry(PreviewGeometry& g);
// The step a scroll request moves by, within the limits of each axis; the
// vertical one lets the bottom go 19 pixels past the bottom edge.
int32_t ScrollStepX(const PreviewGeometry& g, int request, int32_t thumb);
int32_t ScrollStepY(const PreviewGeometry& g, int request, int32_t thumb);

// The canvas's pixels as an opaque 32-bit image (1, 8 or 24 bits per pixel);
// a null image when the canvas has none.
QImage CanvasImage(const Canvas& canvas);
// The part of `picture` scaled to scaledWidth x scaledHeight (nearest
// neighbour) that covers the rectangle at (left, top) of width x height, in
// scaled pixels; `background` where the picture does not reach.
QImage ScaledPart(const QImage& picture, int64_t scaledWidth, int64_t scaledHeight, int64_t left, int64_t top,
                  int width, int height, QRgb background);

class PreviewWindow : public QFrame {
 public:
  explicit PreviewWindow(QWidget* parent);

  // The picture to show (a null image: none, only the grey background).
  void SetPicture(const QImage& picture);
  bool HasPicture() const { return !picture_.isNull(); }
  void SetZoom(double zoom) { geometry_.zoom = zoom; }
  double Zoom() const { return geometry_.zoom; }
  int32_t ClientWidth() const;
  const PreviewGeometry& Geometry() const { return geometry_; }
  QWidget* Client() const { return client_; }

  void UpdateScrollBars(bool withPosition);
  int ZoomPreview(bool zoomIn);
  void ClampScroll();
  void ScrollPreviewX(int request, int32_t thumb);
  void ScrollPreviewY(int request, int32_t thumb);
  // Refreshes the geometry, keeps the positions inside it and repaints.
  void Refresh();
  // After a zoom: positions kept inside, bars updated, repainted.
  void ZoomAndRefresh(bool zoomIn);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class PreviewClient;
  void ReadClientRect();
  void Paint(QWidget* target);
  void Wheel(int delta, bool horizontal, bool zoom);
  void OnScrollAction(bool horizontal, int action);
  void ShowPositions();

  PreviewGeometry geometry_{};
  QImage picture_;
  QWidget* client_;
  QScrollBar* horizontalBar_;
  QScrollBar* verticalBar_;
  QWidget* corner_;
};

}  // namespace ui
