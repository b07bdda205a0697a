#include "ui/preview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

namespace ui {

namespace {

// Below this zoom there is no picture to zoom (2^-22).
constexpr double kNoZoom = 2.384185791015625e-7;
// A zoomed picture never exceeds this many pixels on a side.
constexpr double kMaxZoomedSide = 32766;
constexpr int32_t kLineStep = 5;
constexpr int32_t kPageStep = 50;
// The vertical limit lets the picture's bottom rise this far above the bottom edge (less one).
constexpr int32_t kVerticalAllowance = 20;
// The background brush: the platform's light grey.
constexpr QRgb kBackground = 0xFFC0C0C0;
constexpr int kWheelNotch = 120;

// Truncation toward zero into 32 bits; out-of-range values stop at the ends, NaN gives 0.
int32_t Truncate(double v) {
  if (!(v == v)) return 0;
  if (v >= INT32_MAX) return INT32_MAX;
  if (v <= INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

int32_t BaseStep(int request, int32_t thumb, int32_t position) {
  switch (request) {
    case kLineBack: return -kLineStep;
    case kLineForward: return kLineStep;
    case kPageBack: return -kPageStep;
    case kPageForward: return kPageStep;
    case kThumbTrack: return Truncate(static_cast<double>(thumb) - position);
    default: return 0;
  }
}

void ClampAxis(ScrollAxis& a, double scaled) {
  if (a.position >= 0 && a.page <= scaled) {
    if (static_cast<double>(a.page) + a.position > scaled) a.position = Truncate(scaled - a.page);
  } else {
    a.position = 0;
  }
}

void ZoomAxis(ScrollAxis& a, double ratio) {
  int64_t centre = a.page / 2 + int64_t{a.position};
  a.position = Truncate(static_cast<double>(centre) * ratio - a.page / 2);
}

// Shows a scroll axis on a Qt bar: the bar's last position is maximum - page + 1,
// and it is disabled, not hidden, when the page covers the whole range.
void ShowAxis(QScrollBar* bar, const ScrollAxis& a, bool withPosition) {
  int64_t last = std::max<int64_t>(0, int64_t{a.maximum} - a.page + 1);
  bar->setRange(0, static_cast<int>(std::min<int64_t>(last, INT32_MAX)));
  bar->setPageStep(std::max(a.page, 1));
  bar->setEnabled(a.page <= a.maximum);
  if (withPosition) bar->setValue(static_cast<int>(std::clamp<int64_t>(a.position, 0, last)));  // no scroll action
}

}  // namespace

double ScaledWidth(const PreviewGeometry& g) { return g.pictureWidth * g.zoom; }
double ScaledHeight(const PreviewGeometry& g) { return g.pictureHeight * g.zoom; }

void SetScrollRanges(PreviewGeometry& g) {
  g.horizontal.maximum = Truncate(ScaledWidth(g));
  g.horizontal.page = g.clientWidth;
  g.vertical.maximum = Truncate(ScaledHeight(g));
  g.vertical.page = g.clientHeight;
}

int ZoomGeometry(PreviewGeometry& g, bool zoomIn) {
  if (std::fabs(g.zoom) < kNoZoom) return 0;
  if (zoomIn && std::trunc(2.0 * std::max(g.pictureWidth, g.pictureHeight) * g.zoom) > kMaxZoomedSide) return 0;
  double next = zoomIn ? g.zoom * 2 : g.zoom * 0.5;
  ZoomAxis(g.horizontal, next / g.zoom);
  ZoomAxis(g.vertical, next / g.zoom);
  g.zoom = next;
  return 1;
}

void ClampGeometry(PreviewGeometry& g) {
  ClampAxis(g.horizontal, ScaledWidth(g));
  ClampAxis(g.vertical, ScaledHeight(g));
}

int32_t ScrollStepX(const PreviewGeometry& g, int request, int32_t thumb) {
  int32_t q = g.horizontal.position;
  int32_t step = BaseStep(request, thumb, q);
  int32_t limit = Truncate(ScaledWidth(g) - g.clientWidth - q - 1);
  if (-q > std::min(step, limit))
    step = -q;
  else if (limit < step)
    step = limit;
  return step;
}

int32_t ScrollStepY(const PreviewGeometry& g, int request, int32_t thumb) {
  int32_t q = g.vertical.position;
  double limit = ScaledHeight(g) - (g.clientHeight - kVerticalAllowance) - q - 1;
  int32_t step = Truncate(std::min(limit, static_cast<double>(BaseStep(request, thumb, q))));
  return std::max(step, -q);
}

QImage CanvasImage(const Canvas& canvas) {
  if (!canvas.pixels || canvas.width <= 0 || canvas.height <= 0) return {};
  QImage image(canvas.width, canvas.height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  QRgb colours[256];
  for (int i = 0; i < 256; ++i) {
    const PaletteEntry& e = canvas.palette.entries[i];
    colours[i] = qRgb(e.red, e.green, e.blue);
  }
  for (int y = 0; y < canvas.height; ++y) {
    const uint8_t* row = canvas.pixels + static_cast<int64_t>(y) * canvas.stride;
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < canvas.width; ++x) {
      if (canvas.bitsPerPixel == 24)
        out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
      else if (canvas.bitsPerPixel == 1)
        out[x] = colours[(row[x >> 3] >> (7 - (x & 7))) & 1];
      else
        out[x] = colours[row[x]];
    }
  }
  return image;
}

QImage ScaledPart(const QImage& picture, int64_t scaledWidth, int64_t scaledHeight, int64_t left, int64_t top,
                  int width, int height, QRgb background) {
  QImage out(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
  out.fill(background);
  if (picture.isNull() || scaledWidth <= 0 || scaledHeight <= 0) return out;
  // Source column of each target column; -1 outside the picture.
  std::vector<int> columns(static_cast<size_t>(out.width()));
  for (int c = 0; c < out.width(); ++c) {
    int64_t x = left + c;
    columns[c] = x >= 0 && x < scaledWidth ? static_cast<int>(x * picture.width() / scaledWidth) : -1;
  }
  for (int r = 0; r < out.height(); ++r) {
    int64_t y = top + r;
    if (y < 0 || y >= scaledHeight) continue;
    int source = static_cast<int>(y * picture.height() / scaledHeight);
    const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(source));
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(r));
    for (int c = 0; c < out.width(); ++c)
      if (columns[c] >= 0) row[c] = in[columns[c]];
  }
  return out;
}

// The client area: paints the picture and passes the wheel on.
class PreviewClient : public QWidget {
 public:
  PreviewClient(PreviewWindow* owner) : QWidget(owner), owner_(owner) { setAttribute(Qt::WA_OpaquePaintEvent); }

 protected:
  void paintEvent(QPaintEvent*) override { owner_->Paint(this); }
  void wheelEvent(QWheelEvent* event) override {
    QPoint delta = event->angleDelta();
    bool horizontal = delta.x() != 0 || (event->modifiers() & Qt::ShiftModifier);
    owner_->Wheel(delta.y() != 0 ? delta.y() : delta.x(), horizontal, event->modifiers() & Qt::ControlModifier);
    event->accept();
  }

 private:
  PreviewWindow* owner_;
};

PreviewWindow::PreviewWindow(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  client_ = new PreviewClient(this);
  horizontalBar_ = new QScrollBar(Qt::Horizontal, this);
  verticalBar_ = new QScrollBar(Qt::Vertical, this);
  corner_ = new QWidget(this);
  corner_->setAutoFillBackground(true);
  connect(horizontalBar_, &QScrollBar::actionTriggered, this, [this](int action) { OnScrollAction(true, action); });
  connect(verticalBar_, &QScrollBar::actionTriggered, this, [this](int action) { OnScrollAction(false, action); });
  UpdateScrollBars(true);
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  QRect inner = contentsRect();
  int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  int w = std::max(inner.width() - extent, 0);
  int h = std::max(inner.height() - extent, 0);
  client_->setGeometry(inner.x(), inner.y(), w, h);
  verticalBar_->setGeometry(inner.x() + w, inner.y(), extent, h);
  horizontalBar_->setGeometry(inner.x(), inner.y() + h, w, extent);
  corner_->setGeometry(inner.x() + w, inner.y() + h, extent, extent);
  UpdateScrollBars(false);
}

void PreviewWindow::SetPicture(const QImage& picture) {
  picture_ = picture;
  geometry_.pictureWidth = picture.width();
  geometry_.pictureHeight = picture.height();
}

int32_t PreviewWindow::ClientWidth() const { return client_->width(); }

void PreviewWindow::ReadClientRect() {
  geometry_.clientWidth = client_->width();
  geometry_.clientHeight = client_->height();
}

void PreviewWindow::ShowPositions() {
  ShowAxis(horizontalBar_, geometry_.horizontal, true);
  ShowAxis(verticalBar_, geometry_.vertical, true);
}

void PreviewWindow::UpdateScrollBars(bool withPosition) {
  ReadClientRect();
  SetScrollRanges(geometry_);
  ShowAxis(horizontalBar_, geometry_.horizontal, withPosition);
  ShowAxis(verticalBar_, geometry_.vertical, withPosition);
}

int PreviewWindow::ZoomPreview(bool zoomIn) {
  ReadClientRect();
  return ZoomGeometry(geometry_, zoomIn);
}

void PreviewWindow::ClampScroll() { ClampGeometry(geometry_); }

void PreviewWindow::ScrollPreviewX(int request, int32_t thumb) {
  ReadClientRect();
  int32_t step = ScrollStepX(geometry_, request, thumb);
  if (step == 0) return;
  client_->scroll(-step, 0);
  geometry_.horizontal.position += step;
  ShowAxis(horizontalBar_, geometry_.horizontal, true);
  UpdateScrollBars(true);
}

void PreviewWindow::ScrollPreviewY(int request, int32_t thumb) {
  ReadClientRect();
  int32_t step = ScrollStepY(geometry_, request, thumb);
  if (step == 0) return;
  client_->scroll(0, -step);
  geometry_.vertical.position += step;
  ShowAxis(verticalBar_, geometry_.vertical, true);
}

void PreviewWindow::Refresh() {
  UpdateScrollBars(true);
  ClampScroll();
  client_->update();
}

void PreviewWindow::ZoomAndRefresh(bool zoomIn) {
  if (!ZoomPreview(zoomIn)) return;
  ClampScroll();
  UpdateScrollBars(true);
  client_->update();
}

void PreviewWindow::OnScrollAction(bool horizontal, int action) {
  QScrollBar* bar = horizontal ? horizontalBar_ : verticalBar_;
  int request = kEndScroll;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: request = kLineBack; break;
    case QAbstractSlider::SliderSingleStepAdd: request = kLineForward; break;
    case QAbstractSlider::SliderPageStepSub: request = kPageBack; break;
    case QAbstractSlider::SliderPageStepAdd: request = kPageForward; break;
    case QAbstractSlider::SliderMove: request = kThumbTrack; break;
    case QAbstractSlider::SliderToMinimum: request = kToStart; break;
    case QAbstractSlider::SliderToMaximum: request = kToEnd; break;
    default: break;
  }
  int32_t thumb = bar->sliderPosition();
  if (horizontal)
    ScrollPreviewX(request, thumb);
  else
    ScrollPreviewY(request, thumb);
  // The bar shows where the picture is, not where Qt would have moved it.
  const ScrollAxis& a = horizontal ? geometry_.horizontal : geometry_.vertical;
  QSignalBlocker quiet(bar);
  bar->setSliderPosition(std::clamp(a.position, bar->minimum(), bar->maximum()));
}

void PreviewWindow::Wheel(int delta, bool horizontal, bool zoom) {
  if (zoom) {
    if (HasPicture() && delta != 0) ZoomAndRefresh(delta > 0);
    return;
  }
  int notches = std::max(std::abs(delta) / kWheelNotch, 1);
  for (int i = 0; i < notches && delta != 0; ++i) {
    int request = delta > 0 ? kPageBack : kPageForward;
    if (horizontal)
      ScrollPreviewX(request, 0);
    else
      ScrollPreviewY(request, 0);
  }
}

void PreviewWindow::Paint(QWidget* target) {
  QPainter painter(target);
  QRect area = target->rect();
  if (!HasPicture() || geometry_.zoom <= 0) {
    painter.fillRect(area, QColor::fromRgb(kBackground));
    return;
  }
  int64_t scaledWidth = Truncate(ScaledWidth(geometry_));
  int64_t scaledHeight = Truncate(ScaledHeight(geometry_));
  painter.drawImage(0, 0,
                    ScaledPart(picture_, scaledWidth, scaledHeight, geometry_.horizontal.position,
                               geometry_.vertical.position, area.width(), area.height(), kBackground));
}

}  // namespace ui
