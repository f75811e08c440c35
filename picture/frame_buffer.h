#pragma once
// An RGB picture owned by the program: every graphic area of the main window,
// the Note box and the button glyphs is drawn into one of these, so that
// exclusive-or and invert are exact bitwise operations (drawing a cursor twice
// restores every pixel) whatever the toolkit's own drawing does.

#include <cstdint>
#include <vector>

namespace earloop {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(Point, Point) = default;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool Contains(Point p) const { return p.x >= x && p.x < Right() && p.y >= y && p.y < Bottom(); }
    friend bool operator==(Rect, Rect) = default;
};

class FrameBuffer {
public:
    FrameBuffer() = default;
    FrameBuffer(int width, int height, Rgb fill = {255, 255, 255});

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Out-of-range reads give black and out-of-range writes are dropped, so
    // drawing code can run off an edge without guarding every pixel.
    Rgb Pixel(int x, int y) const;
    void SetPixel(int x, int y, Rgb colour);

    void Fill(Rgb colour);
    void FillRect(Rect area, Rgb colour);
    // A one-pixel outline just inside `area`.
    void FrameRect(Rect area, Rgb colour);
    void HorizontalLine(int x0, int x1, int y, Rgb colour);  // x0..x1 inclusive
    void VerticalLine(int x, int y0, int y1, Rgb colour);    // y0..y1 inclusive
    // Bresenham line; like the platform's LineTo, the end point is not drawn.
    void Line(Point from, Point to, Rgb colour);
    void FillEllipse(Rect box, Rgb colour);
    void InvertRect(Rect area);

    enum class Blend { Copy, Xor };
    // Copies `source` (from `sourceArea`) to `at`, clipped to both pictures.
    void Blit(Point at, const FrameBuffer& source, Rect sourceArea, Blend blend = Blend::Copy);
    void Blit(Point at, const FrameBuffer& source) { Blit(at, source, {0, 0, source.width_, source.height_}); }
    // Copies every pixel of `source` that is not `transparent`.
    void BlitMasked(Point at, const FrameBuffer& source, Rect sourceArea, Rgb transparent);

    FrameBuffer Crop(Rect area) const;

    // Packed RGB rows, 3 bytes a pixel, no padding.
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

    friend bool operator==(const FrameBuffer&, const FrameBuffer&) = default;

private:
    std::size_t Offset(int x, int y) const { return (static_cast<std::size_t>(y) * width_ + x) * 3; }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace earloop
