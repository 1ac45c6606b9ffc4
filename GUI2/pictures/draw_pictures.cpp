// Draws the wizard's own pictures (the watermark beside the first and last pages, the header
// image and the window icon) into the folder named on the command line. Not part of the build:
// the PNG files beside this file are its output, kept so that the build needs no display.
//   c++ -std=c++20 -fPIC draw_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o draw_pictures
//   QT_QPA_PLATFORM=offscreen ./draw_pictures GUI2/pictures
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kDeep(11, 37, 69);
const QColor kBlue(19, 64, 116);
const QColor kSky(133, 182, 230);
const QColor kLeaf(238, 164, 64);

// A database drum: an ellipse on top of a body whose lower edge is half an ellipse.
void draw_drum(QPainter& p, QRectF box, const QColor& body, const QColor& line, int bands) {
  const qreal lid = box.height() * 0.22;
  QPainterPath shape;
  shape.moveTo(box.left(), box.top() + lid / 2);
  shape.lineTo(box.left(), box.bottom() - lid / 2);
  shape.arcTo(QRectF(box.left(), box.bottom() - lid, box.width(), lid), 180, 180);
  shape.lineTo(box.right(), box.top() + lid / 2);
  shape.arcTo(QRectF(box.left(), box.top(), box.width(), lid), 0, 180);
  p.setPen(QPen(line, std::max<qreal>(1.0, box.width() / 28)));
  p.setBrush(body);
  p.drawPath(shape);
  p.setBrush(body.lighter(125));
  p.drawEllipse(QRectF(box.left(), box.top(), box.width(), lid));
  p.setBrush(Qt::NoBrush);
  for (int i = 1; i <= bands; ++i) {
    const qreal y = box.top() + (box.height() - lid) * i / (bands + 1);
    p.drawArc(QRectF(box.left(), y, box.width(), lid), 180 * 16, 180 * 16);
  }
}

// A sheet of rows and columns: the tables of the source file.
void draw_grid(QPainter& p, QRectF box, const QColor& paper, const QColor& line, const QColor& head) {
  p.setPen(QPen(line, std::max<qreal>(1.0, box.width() / 40)));
  p.setBrush(paper);
  p.drawRoundedRect(box, box.width() / 14, box.width() / 14);
  const qreal row = box.height() / 5;
  p.setBrush(head);
  p.drawRect(QRectF(box.left(), box.top(), box.width(), row));
  for (int i = 2; i < 5; ++i)
    p.drawLine(QPointF(box.left(), box.top() + row * i), QPointF(box.right(), box.top() + row * i));
  p.drawLine(QPointF(box.left() + box.width() / 3, box.top() + row),
             QPointF(box.left() + box.width() / 3, box.bottom()));
}

// An arrow pointing down, from the grid to the drum.
void draw_arrow(QPainter& p, QPointF top, qreal length, qreal width, const QColor& colour) {
  QPainterPath arrow;
  const qreal shaft = width * 0.36;
  const qreal head = length * 0.45;
  arrow.moveTo(top.x() - shaft / 2, top.y());
  arrow.lineTo(top.x() + shaft / 2, top.y());
  arrow.lineTo(top.x() + shaft / 2, top.y() + length - head);
  arrow.lineTo(top.x() + width / 2, top.y() + length - head);
  arrow.lineTo(top.x(), top.y() + length);
  arrow.lineTo(top.x() - width / 2, top.y() + length - head);
  arrow.lineTo(top.x() - shaft / 2, top.y() + length - head);
  arrow.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(arrow);
}

QImage watermark() {
  QImage image(164, 314, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 314);
  sky.setColorAt(0, kBlue);
  sky.setColorAt(1, kDeep);
  p.fillRect(image.rect(), sky);
  // Soft rings behind the drawing.
  p.setPen(QPen(QColor(255, 255, 255, 22), 10));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(140, 60), 90, 90);
  p.drawEllipse(QPointF(20, 270), 70, 70);
  draw_grid(p, QRectF(40, 46, 84, 62), QColor(245, 248, 252), kDeep, kSky);
  draw_arrow(p, QPointF(82, 122), 46, 34, kLeaf);
  draw_drum(p, QRectF(44, 182, 76, 90), kSky, kDeep, 2);
  return image;
}

QImage header() {
  QImage image(49, 49, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw_grid(p, QRectF(2, 3, 26, 20), QColor(245, 248, 252), kDeep, kSky);
  draw_arrow(p, QPointF(24, 17), 14, 12, kLeaf);
  draw_drum(p, QRectF(22, 22, 24, 25), kSky, kDeep, 1);
  return image;
}

QImage icon() {
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 64);
  sky.setColorAt(0, kBlue);
  sky.setColorAt(1, kDeep);
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(1, 1, 62, 62), 12, 12);
  draw_arrow(p, QPointF(32, 6), 20, 22, kLeaf);
  draw_drum(p, QRectF(14, 26, 36, 32), kSky, QColor(245, 248, 252), 1);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  QGuiApplication application(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const bool ok = watermark().save(folder + "/watermark.png") && header().save(folder + "/header.png") &&
                  icon().save(folder + "/icon.png");
  return ok ? 0 : 1;
}
