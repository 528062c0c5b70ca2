#include "ui/qt/pic_status.h"

#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace {

const QColor kFondo = Qt::white;
const QColor kTinta = Qt::black;

}  // namespace

QString FormatoPorcentaje(double porcentaje) {
  const long entero = std::lround(porcentaje);
  return entero == 0 ? QString() : QString::number(entero);
}

PicStatus::PicStatus(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setAutoFillBackground(false);
}

void PicStatus::resizeEvent(QResizeEvent* evento) {
  QFrame::resizeEvent(evento);
  const QSize tamano = contentsRect().size().expandedTo(QSize(1, 1));
  if (imagen_.size() == tamano) return;
  QImage nueva(tamano, QImage::Format_RGB32);
  nueva.fill(kFondo);
  QPainter p(&nueva);
  p.drawImage(0, 0, imagen_);
  imagen_ = nueva;
}

void PicStatus::DibujaProgreso(double porcentaje, uint32_t color, const QString& caption) {
  if (imagen_.isNull() || imagen_.size() != contentsRect().size()) {
    imagen_ = QImage(contentsRect().size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  }
  imagen_.fill(kFondo);
  texto_ = caption + " " + FormatoPorcentaje(porcentaje) + "%";

  QPainter p(&imagen_);
  p.setFont(font());
  const QFontMetrics medidas(font());
  // Horizontal scale: 100 units for the full width.
  const double unidad = imagen_.width() / 100.0;
  const double x = 50 * unidad - medidas.horizontalAdvance(texto_) / 2.0;
  const double y = (imagen_.height() - medidas.height()) / 2.0;
  p.setPen(kTinta);
  p.drawText(QPointF(x, y + medidas.ascent()), texto_);

  p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  const int ancho = static_cast<int>(std::lround(std::clamp(porcentaje, 0.0, 100.0) * unidad));
  p.fillRect(QRect(0, 0, ancho, imagen_.height()), QColor::fromRgb(color & 0xFFFFFFu));
  p.end();

  repaint();
  emit Dibujado(porcentaje, texto_);
}

void PicStatus::paintEvent(QPaintEvent* evento) {
  QFrame::paintEvent(evento);
  QPainter p(this);
  const QRect dentro = contentsRect();
  p.fillRect(dentro, kFondo);
  p.drawImage(dentro.topLeft(), imagen_);
}
