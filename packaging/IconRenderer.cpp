// Renders the scalable icon into a square PNG of the given size, so that the
// fixed-size icons of the desktop's theme come from the one drawing.
// Usage: melodynet-icon-renderer IN.svg SIZE OUT.png

#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    // Drawing into an image needs no window system, so no application object either.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    bool sizeOk = false;
    const int size = arguments.size() == 4 ? arguments[2].toInt(&sizeOk) : 0;
    if (!sizeOk || size < 1 || size > 1024) {
        std::fputs("usage: melodynet-icon-renderer IN.svg SIZE OUT.png\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(arguments[1]);
    if (!renderer.isValid()) {
        std::fputs(("cannot read the icon " + arguments[1].toStdString() + "\n").c_str(), stderr);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(arguments[3], "PNG")) {
        std::fputs(("cannot write " + arguments[3].toStdString() + "\n").c_str(), stderr);
        return 1;
    }
    return 0;
}
