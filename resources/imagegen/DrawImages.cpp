// Draws the program's pictures. Run once by hand when a picture changes and
// commit the files it writes; the build only uses the committed files.
//
//   g++ -std=c++17 -fPIC DrawImages.cpp -o /tmp/draw-images \
//       $(pkg-config --cflags --libs Qt5Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/draw-images resources/images
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kBlue(0x00, 0x7A, 0xCC);
const QColor kDarkBlue(0x00, 0x5A, 0x9E);
const QColor kGreen(0x28, 0xA7, 0x45);

QImage blank(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A small log sheet with a signal trace and table rows: "log in, table out".
void drawSheet(QPainter& p, const QRectF& r) {
  const qreal u = r.width() / 32.0;
  QLinearGradient bg(r.topLeft(), r.bottomLeft());
  bg.setColorAt(0, kBlue);
  bg.setColorAt(1, kDarkBlue);
  p.setPen(Qt::NoPen);
  p.setBrush(bg);
  p.drawRoundedRect(r.adjusted(u, u, -u, -u), 6 * u, 6 * u);

  // Signal trace across the upper half.
  QPainterPath trace;
  trace.moveTo(r.left() + 5 * u, r.top() + 13 * u);
  trace.lineTo(r.left() + 10 * u, r.top() + 13 * u);
  trace.lineTo(r.left() + 13 * u, r.top() + 6 * u);
  trace.lineTo(r.left() + 17 * u, r.top() + 17 * u);
  trace.lineTo(r.left() + 20 * u, r.top() + 10 * u);
  trace.lineTo(r.left() + 27 * u, r.top() + 10 * u);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 2.2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(trace);

  // Table rows below it.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 235));
  for (int row = 0; row < 3; ++row) {
    const qreal y = r.top() + (20 + row * 3.5) * u;
    p.drawRoundedRect(QRectF(r.left() + 6 * u, y, 8 * u, 2 * u), u * 0.6, u * 0.6);
    p.drawRoundedRect(QRectF(r.left() + 16 * u, y, 10 * u, 2 * u), u * 0.6, u * 0.6);
  }
}

QImage icon32() {
  QImage image = blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawSheet(p, QRectF(0, 0, 32, 32));
  return image;
}

QImage logo() {
  const int size = 140;
  QImage image = blank(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // Ring.
  p.setPen(QPen(kBlue, 6));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(5, 5, size - 10, size - 10));

  // Waveform through the middle.
  QPainterPath wave;
  wave.moveTo(24, 66);
  wave.cubicTo(40, 30, 52, 30, 62, 66);
  wave.cubicTo(72, 100, 86, 100, 96, 66);
  wave.cubicTo(104, 42, 112, 46, 116, 56);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kGreen, 7, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(wave);

  QFont font("DejaVu Sans");
  font.setPixelSize(26);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kDarkBlue);
  p.drawText(QRectF(0, 88, size, 32), Qt::AlignCenter, "ZRL");
  return image;
}

// Funnel drawn tall and narrow: it is shown fitted into 8 x 16 pixels.
QImage funnel() {
  QImage image = blank(16, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.moveTo(0.5, 8);
  path.lineTo(15.5, 8);
  path.lineTo(9.5, 17);
  path.lineTo(9.5, 27);
  path.lineTo(6.5, 25);
  path.lineTo(6.5, 17);
  path.closeSubpath();
  p.setPen(QPen(QColor(0x33, 0x33, 0x33), 1));
  p.setBrush(QColor(0xCC, 0x7A, 0x00));
  p.drawPath(path);
  return image;
}

QImage tick() {
  QImage image = blank(12, 12);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.moveTo(2, 6.5);
  path.lineTo(5, 9.5);
  path.lineTo(10, 2.5);
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  return image;
}

QImage arrow() {
  QImage image = blank(10, 6);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.moveTo(0, 0);
  path.lineTo(10, 0);
  path.lineTo(5, 6);
  path.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPath(path);
  return image;
}

bool save(const QImage& image, const QString& path, const char* format) {
  if (!image.convertToFormat(QImage::Format_ARGB32).save(path, format)) {
    std::printf("cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QDir out(argc > 1 ? argv[1] : ".");
  bool ok = save(icon32(), out.filePath("decoder.ico"), "ICO");
  ok = save(logo(), out.filePath("LogoLumoSmall.png"), "PNG") && ok;
  ok = save(funnel(), out.filePath("funnel-icon.png"), "PNG") && ok;
  ok = save(tick(), out.filePath("check-white.png"), "PNG") && ok;
  ok = save(arrow(), out.filePath("arrow-down-blue.png"), "PNG") && ok;
  return ok ? 0 : 1;
}
