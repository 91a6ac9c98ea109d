// Renders texts in a given font, the way a read-out of the desktop tests should show them, so
// that the tests compare a read-out on the screen with the expected text's own pixels.
//
//   zr8-desktop-text-render FAMILY POINTS R,G,B OUT TEXT...
//
// Writes three binary PPM (P6) pictures per text, OUT-I-0.ppm .. OUT-I-2.ppm for the I-th text:
// black text on the given background, drawn from a whole-pixel start point (left-aligned), and
// centred in boxes of an even and of an odd width: a centred text starts at one of these two
// fractions of a pixel, whatever the width of its box.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {

bool writePpm(const QImage& image, const QString& path) {
    std::FILE* out = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(qRed(pixel)),
                                          static_cast<unsigned char>(qGreen(pixel)),
                                          static_cast<unsigned char>(qBlue(pixel))};
            std::fwrite(rgb, 1, 3, out);
        }
    }
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FAMILY POINTS R,G,B OUT TEXT...\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(QString::fromLocal8Bit(argv[1]));
    font.setPointSize(std::atoi(argv[2]));
    int r = 0;
    int g = 0;
    int b = 0;
    if (std::sscanf(argv[3], "%d,%d,%d", &r, &g, &b) != 3) {
        std::fprintf(stderr, "bad colour %s\n", argv[3]);
        return 2;
    }
    const QFontMetrics metrics(font);
    for (int i = 5; i < argc; ++i) {
        const QString text = QString::fromLocal8Bit(argv[i]);
        const int box = (metrics.horizontalAdvance(text) + 10) / 2 * 2;
        for (int phase = 0; phase < 3; ++phase) {
            QImage image(box + 9, metrics.height() + 8, QImage::Format_RGB32);
            image.fill(QColor(r, g, b));
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            if (phase == 0) {
                painter.drawText(QPoint(4, 4 + metrics.ascent()), text);
            } else {
                const QRectF area(4, 4, box + phase - 1, metrics.height());
                painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop, text);
            }
            painter.end();
            const QString path = QStringLiteral("%1-%2-%3.ppm")
                                     .arg(QString::fromLocal8Bit(argv[4]))
                                     .arg(i - 5)
                                     .arg(phase);
            if (!writePpm(image, path)) {
                std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
                return 1;
            }
        }
    }
    return 0;
}
