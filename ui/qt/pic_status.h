#pragma once
// picStatus: the picture box the import run draws its progress into. It keeps its drawing
// between repaints (auto-redraw), so a repaint shows the last bar drawn.

#include <QFrame>
#include <QImage>
#include <QString>
#include <cstdint>

class PicStatus : public QFrame {
  Q_OBJECT

 public:
  explicit PicStatus(QWidget* parent = nullptr);

  // The bar: clear, print caption + " " + the rounded percentage + "%" centred, then a filled
  // rectangle of `color` (0xRRGGBB) from the left edge to the percentage, combined with what is
  // below by not-xor so the text under the bar stays readable. Repaints at once.
  void DibujaProgreso(double porcentaje, uint32_t color, const QString& caption);

  const QString& Texto() const { return texto_; }  // the text of the latest bar
  const QImage& Imagen() const { return imagen_; }

 signals:
  void Dibujado(double porcentaje, const QString& texto);

 protected:
  void paintEvent(QPaintEvent* evento) override;
  void resizeEvent(QResizeEvent* evento) override;

 private:
  QImage imagen_;
  QString texto_;
};

// The percentage as the pattern "###" formats it: rounded, no leading zeros, empty for 0.
QString FormatoPorcentaje(double porcentaje);
