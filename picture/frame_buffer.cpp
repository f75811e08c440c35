#include "picture/frame_buffer.h"

#include <algorithm>
#include <cstdlib>

namespace earloop {

FrameBuffer::FrameBuffer(int width, int height, Rgb fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      bytes_(static_cast<std::size_t>(width_) * height_ * 3) {
    Fill(fill);
}

Rgb FrameBuffer::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    const std::size_t o = Offset(x, y);
    return {bytes_[o], bytes_[o + 1], bytes_[o + 2]};
}

void FrameBuffer::SetPixel(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const std::size_t o = Offset(x, y);
    bytes_[o] = colour.r;
    bytes_[o + 1] = colour.g;
    bytes_[o + 2] = colour.b;
}

void FrameBuffer::Fill(Rgb colour) { FillRect({0, 0, width_, height_}, colour); }

void FrameBuffer::FillRect(Rect area, Rgb colour) {
    const int x0 = std::max(area.x, 0), x1 = std::min(area.Right(), width_);
    const int y0 = std::max(area.y, 0), y1 = std::min(area.Bottom(), height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) SetPixel(x, y, colour);
}

void FrameBuffer::FrameRect(Rect area, Rgb colour) {
    if (area.width <= 0 || area.height <= 0) return;
    HorizontalLine(area.x, area.Right() - 1, area.y, colour);
    HorizontalLine(area.x, area.Right() - 1, area.Bottom() - 1, colour);
    VerticalLine(area.x, area.y, area.Bottom() - 1, colour);
    VerticalLine(area.Right() - 1, area.y, area.Bottom() - 1, colour);
}

void FrameBuffer::HorizontalLine(int x0, int x1, int y, Rgb colour) {
    if (x0 > x1) std::swap(x0, x1);
    for (int x = x0; x <= x1; ++x) SetPixel(x, y, colour);
}

void FrameBuffer::VerticalLine(int x, int y0, int y1, Rgb colour) {
    if (y0 > y1) std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y) SetPixel(x, y, colour);
}

void FrameBuffer::Line(Point from, Point to, Rgb colour) {
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int error = dx + dy;
    Point p = from;
    while (p != to) {
        SetPixel(p.x, p.y, colour);
        const int twice = 2 * error;
        if (twice >= dy) { error += dy; p.x += sx; }
        if (twice <= dx) { error += dx; p.y += sy; }
    }
}

void FrameBuffer::FillEllipse(Rect box, Rgb colour) {
    if (box.width <= 0 || box.height <= 0) return;
    // Pixel centres tested against the ellipse inscribed in the box.
    const double cx = box.x + box.width / 2.0, cy = box.y + box.height / 2.0;
    const double rx = box.width / 2.0, ry = box.height / 2.0;
    for (int y = box.y; y < box.Bottom(); ++y)
        for (int x = box.x; x < box.Right(); ++x) {
            const double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
            if (nx * nx + ny * ny <= 1.0) SetPixel(x, y, colour);
        }
}

void FrameBuffer::InvertRect(Rect area) {
    const int x0 = std::max(area.x, 0), x1 = std::min(area.Right(), width_);
    const int y0 = std::max(area.y, 0), y1 = std::min(area.Bottom(), height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::size_t o = Offset(x, y);
            for (int c = 0; c < 3; ++c) bytes_[o + c] = static_cast<std::uint8_t>(~bytes_[o + c]);
        }
}

namespace {
// Clips a copy of `area` of a `source` picture placed at `at` into a target
// picture; returns false when nothing is left.
bool ClipCopy(Point& at, Rect& area, int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
    if (area.x < 0) { at.x -= area.x; area.width += area.x; area.x = 0; }
    if (area.y < 0) { at.y -= area.y; area.height += area.y; area.y = 0; }
    area.width = std::min(area.width, sourceWidth - area.x);
    area.height = std::min(area.height, sourceHeight - area.y);
    if (at.x < 0) { area.x -= at.x; area.width += at.x; at.x = 0; }
    if (at.y < 0) { area.y -= at.y; area.height += at.y; at.y = 0; }
    area.width = std::min(area.width, targetWidth - at.x);
    area.height = std::min(area.height, targetHeight - at.y);
    return area.width > 0 && area.height > 0;
}
}  // namespace

void FrameBuffer::Blit(Point at, const FrameBuffer& source, Rect area, Blend blend) {
    if (!ClipCopy(at, area, source.width_, source.height_, width_, height_)) return;
    for (int row = 0; row < area.height; ++row) {
        const std::uint8_t* from = &source.bytes_[source.Offset(area.x, area.y + row)];
        std::uint8_t* to = &bytes_[Offset(at.x, at.y + row)];
        const std::size_t count = static_cast<std::size_t>(area.width) * 3;
        if (blend == Blend::Copy) {
            std::copy(from, from + count, to);
        } else {
            for (std::size_t i = 0; i < count; ++i) to[i] ^= from[i];
        }
    }
}

void FrameBuffer::BlitMasked(Point at, const FrameBuffer& source, Rect area, Rgb transparent) {
    if (!ClipCopy(at, area, source.width_, source.height_, width_, height_)) return;
    for (int row = 0; row < area.height; ++row)
        for (int col = 0; col < area.width; ++col) {
            const Rgb p = source.Pixel(area.x + col, area.y + row);
            if (p != transparent) SetPixel(at.x + col, at.y + row, p);
        }
}

FrameBuffer FrameBuffer::Crop(Rect area) const {
    FrameBuffer part(area.width, area.height, {});
    part.Blit({0, 0}, *this, area);
    return part;
}

}  // namespace earloop
