#pragma once

#include <QRect>
#include <QSize>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QPainter;

// Pictures for files: a painting rendered offscreen as PNG or SVG bytes.
class PictureFile {
public:
    enum class Format { Png, Svg };

    // The format named by the path's extension (".png" or ".svg", any case), or nullopt.
    static std::optional<Format> FormatOf(std::string_view path);

    // Renders `paint` into a picture of `size` on white and returns its bytes;
    // empty when the picture could not be encoded.
    static std::string Render(Format format, QSize size, const std::function<void(QPainter&, QRect)>& paint);
};
