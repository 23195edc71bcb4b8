#include "plot/PictureFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>

std::optional<PictureFile::Format> PictureFile::FormatOf(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return std::nullopt;
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "png")
        return Format::Png;
    if (extension == "svg")
        return Format::Svg;
    return std::nullopt;
}

std::string PictureFile::Render(Format format, QSize size, const std::function<void(QPainter&, QRect)>& paint) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    const QRect target(QPoint(0, 0), size);
    if (format == Format::Svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(target);
        QPainter painter;
        if (!painter.begin(&generator))
            return {};
        paint(painter, target);
        painter.end();
    } else {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull())
            return {};
        image.fill(Qt::white);
        QPainter painter(&image);
        paint(painter, target);
        painter.end();
        if (!image.save(&buffer, "PNG"))
            return {};
    }
    return bytes.toStdString();
}
