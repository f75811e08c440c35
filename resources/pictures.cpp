#include "resources/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

namespace earloop {

namespace {

// ---------------------------------------------------------------------------
// Vector artwork. The clefs, the brace, the glyphs and the logo are described
// as shapes (a bounding box and an inside test) and painted with 4 x 4
// supersampling, so curves come out smooth at these small sizes. Everything
// whose position the program relies on (key edges, staff rows, cell layouts)
// is drawn with whole pixels on the frame buffer instead.
// ---------------------------------------------------------------------------

struct Vec {
    double x = 0, y = 0;
};

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

Box Join(Box a, Box b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

struct Shape {
    Box box;
    std::function<bool(double, double)> inside;
};

Shape Union(Shape a, Shape b) {
    const Box box = Join(a.box, b.box);
    return {box, [a = std::move(a), b = std::move(b)](double x, double y) { return a.inside(x, y) || b.inside(x, y); }};
}

Shape Minus(Shape a, Shape b) {
    const Box box = a.box;
    return {box, [a = std::move(a), b = std::move(b)](double x, double y) { return a.inside(x, y) && !b.inside(x, y); }};
}

Shape Translate(Shape s, double dx, double dy) {
    const Box box{s.box.x0 + dx, s.box.y0 + dy, s.box.x1 + dx, s.box.y1 + dy};
    return {box, [s = std::move(s), dx, dy](double x, double y) { return s.inside(x - dx, y - dy); }};
}

Shape RectShape(double x0, double y0, double x1, double y1) {
    return {{x0, y0, x1, y1}, [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }};
}

Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
    return {{x0, y0, x1, y1}, [=](double x, double y) {
                if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
                const double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
                return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
            }};
}

// An ellipse with semi-axes rx, ry, turned by `angle` radians (clockwise on
// screen, since y grows downward).
Shape Ellipse(double cx, double cy, double rx, double ry, double angle = 0) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double reach = std::max(rx, ry);
    return {{cx - reach, cy - reach, cx + reach, cy + reach}, [=](double x, double y) {
                const double dx = x - cx, dy = y - cy;
                const double u = (dx * c + dy * s) / rx, v = (-dx * s + dy * c) / ry;
                return u * u + v * v <= 1.0;
            }};
}

Shape Disc(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }

// Even-odd polygon.
Shape Polygon(std::vector<Vec> points) {
    Box box{1e9, 1e9, -1e9, -1e9};
    for (const Vec p : points) box = Join(box, {p.x, p.y, p.x, p.y});
    return {box, [points = std::move(points)](double x, double y) {
                bool in = false;
                for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
                    const Vec a = points[i], b = points[j];
                    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
                }
                return in;
            }};
}

// A point of a pen stroke with the pen's radius there.
struct PenPoint {
    double x = 0, y = 0, r = 1;
};

// A polyline drawn with a round pen whose radius changes linearly along each
// segment: the union of tapered capsules.
Shape Stroke(std::vector<PenPoint> points) {
    struct Segment {
        PenPoint a, b;
        Box box;
    };
    std::vector<Segment> segments;
    Box box{1e9, 1e9, -1e9, -1e9};
    for (std::size_t i = 0; i + 1 < points.size() || (points.size() == 1 && i == 0); ++i) {
        const PenPoint a = points[i], b = points.size() == 1 ? a : points[i + 1];
        const double r = std::max(a.r, b.r);
        const Box sb{std::min(a.x, b.x) - r, std::min(a.y, b.y) - r, std::max(a.x, b.x) + r, std::max(a.y, b.y) + r};
        segments.push_back({a, b, sb});
        box = Join(box, sb);
    }
    return {box, [segments = std::move(segments)](double x, double y) {
                for (const Segment& s : segments) {
                    if (x < s.box.x0 || x > s.box.x1 || y < s.box.y0 || y > s.box.y1) continue;
                    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
                    const double length2 = dx * dx + dy * dy;
                    const double t = length2 > 0 ? std::clamp(((x - s.a.x) * dx + (y - s.a.y) * dy) / length2, 0.0, 1.0) : 0.0;
                    const double px = s.a.x + t * dx - x, py = s.a.y + t * dy - y;
                    const double r = s.a.r + t * (s.b.r - s.a.r);
                    if (px * px + py * py <= r * r) return true;
                }
                return false;
            }};
}

// A smooth pen stroke through the given points (Catmull-Rom spline).
Shape Curve(const std::vector<PenPoint>& through, int steps = 10) {
    if (through.size() < 3) return Stroke(through);
    std::vector<PenPoint> points;
    auto at = [&](std::ptrdiff_t i) {
        return through[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, std::ssize(through) - 1))];
    };
    for (std::ptrdiff_t i = 0; i + 1 < std::ssize(through); ++i) {
        const PenPoint p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        for (int k = 0; k < steps; ++k) {
            const double t = static_cast<double>(k) / steps, t2 = t * t, t3 = t2 * t;
            auto blend = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
            };
            points.push_back({blend(p0.x, p1.x, p2.x, p3.x), blend(p0.y, p1.y, p2.y, p3.y), p1.r + t * (p2.r - p1.r)});
        }
    }
    points.push_back(through.back());
    return Stroke(std::move(points));
}

// An arc of a circle drawn with a pen of radius `pen`; angles in radians,
// measured clockwise on screen from the +x axis.
Shape Arc(double cx, double cy, double radius, double from, double to, double pen) {
    std::vector<PenPoint> points;
    const int steps = std::max(8, static_cast<int>(std::abs(to - from) * radius));
    for (int k = 0; k <= steps; ++k) {
        const double a = from + (to - from) * k / steps;
        points.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a), pen});
    }
    return Stroke(std::move(points));
}

constexpr int kSamples = 4;

// How much of pixel (x, y) a shape covers, 0 to kSamples².
int Coverage(const Shape& shape, int x, int y) {
    int n = 0;
    for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
            if (shape.inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples)) ++n;
    return n;
}

template <typename Visit>
void ForPixelsOf(const Shape& shape, int width, int height, Visit visit) {
    const int x0 = std::max(0, static_cast<int>(std::floor(shape.box.x0)));
    const int y0 = std::max(0, static_cast<int>(std::floor(shape.box.y0)));
    const int x1 = std::min(width, static_cast<int>(std::ceil(shape.box.x1)) + 1);
    const int y1 = std::min(height, static_cast<int>(std::ceil(shape.box.y1)) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) visit(x, y);
}

// Paints a shape without smoothing: a pixel is set when at least half of it
// is covered. Used for glyphs that are laid over other pictures with a mask,
// where a blended edge pixel would show as a fringe.
void FillHard(FrameBuffer& target, const Shape& shape, Rgb colour) {
    ForPixelsOf(shape, target.Width(), target.Height(), [&](int x, int y) {
        if (Coverage(shape, x, y) * 2 >= kSamples * kSamples) target.SetPixel(x, y, colour);
    });
}

using Shader = std::function<Rgb(double x, double y)>;

Shader Solid(Rgb colour) {
    return [colour](double, double) { return colour; };
}

std::uint8_t Channel(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

Rgb Mix(Rgb a, Rgb b, double t) {
    return {Channel(a.r + (b.r - a.r) * t), Channel(a.g + (b.g - a.g) * t), Channel(a.b + (b.b - a.b) * t)};
}

Rgb Scale(Rgb c, double f) { return {Channel(c.r * f), Channel(c.g * f), Channel(c.b * f)}; }

// Top-to-bottom gradient between rows y0 and y1.
Shader VerticalGradient(Rgb top, Rgb bottom, double y0, double y1) {
    return [=](double, double y) { return Mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

// A picture with coverage: smooth shapes are composited onto it, and it is
// turned into a frame buffer at the end, over a background colour or with a
// transparent colour where nothing was painted.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height) {}
    explicit Canvas(const FrameBuffer& picture) : Canvas(picture.Width(), picture.Height()) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const Rgb p = picture.Pixel(x, y);
                At(x, y) = {static_cast<double>(p.r), static_cast<double>(p.g), static_cast<double>(p.b), 1.0};
            }
    }

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Paint(const Shape& shape, const Shader& shader, double opacity = 1.0) {
        ForPixelsOf(shape, width_, height_, [&](int x, int y) {
            const int n = Coverage(shape, x, y);
            if (n == 0) return;
            const Rgb c = shader(x + 0.5, y + 0.5);
            Over(At(x, y), c, opacity * n / (kSamples * kSamples));
        });
    }
    void Paint(const Shape& shape, Rgb colour, double opacity = 1.0) { Paint(shape, Solid(colour), opacity); }

    // Pixels less than a quarter covered become `transparent`; the others are
    // laid over `matte`, the colour the picture will be seen on.
    FrameBuffer Flatten(Rgb matte, std::optional<Rgb> transparent = std::nullopt) const {
        FrameBuffer out(width_, height_, matte);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const Pixel& p = pixels_[Index(x, y)];
                if (transparent && p.a < 0.25) {
                    out.SetPixel(x, y, *transparent);
                    continue;
                }
                out.SetPixel(x, y, {Channel(p.r * p.a + matte.r * (1 - p.a)), Channel(p.g * p.a + matte.g * (1 - p.a)),
                                    Channel(p.b * p.a + matte.b * (1 - p.a))});
            }
        return out;
    }

private:
    struct Pixel {
        double r = 0, g = 0, b = 0, a = 0;
    };

    static void Over(Pixel& d, Rgb s, double alpha) {
        const double a = alpha + d.a * (1 - alpha);
        if (a <= 0) return;
        d.r = (s.r * alpha + d.r * d.a * (1 - alpha)) / a;
        d.g = (s.g * alpha + d.g * d.a * (1 - alpha)) / a;
        d.b = (s.b * alpha + d.b * d.a * (1 - alpha)) / a;
        d.a = a;
    }

    std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
    Pixel& At(int x, int y) { return pixels_[Index(x, y)]; }

    int width_, height_;
    std::vector<Pixel> pixels_;
};

constexpr double kPi = std::numbers::pi;
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// ---------------------------------------------------------------------------
// Keyboard, middle-C marker, spectrum grid.
// ---------------------------------------------------------------------------

constexpr std::array<int, 7> kWhiteKeyStarts{0, 17, 34, 51, 68, 85, 102};
constexpr std::array<int, 5> kBlackKeyStarts{10, 30, 60, 80, 100};
constexpr Rgb kKeyEdge{88, 88, 88};
constexpr Rgb kBlackKey{22, 22, 22};
constexpr Rgb kBlackKeyFront{64, 64, 64};
constexpr Rgb kBlackKeyShine{54, 54, 54};
constexpr Rgb kMarkerHighlight{96, 172, 255};

bool IsBlackKeySemitone(int semitone) {
    switch (semitone % 12) {
        case 1: case 3: case 6: case 8: case 10: return true;
        default: return false;
    }
}

void DrawBand(FrameBuffer& picture) {
    picture.FillRect({0, 0, picture.Width(), kKeyboardBandHeight - 1}, kKeyboardBand);
    picture.HorizontalLine(0, picture.Width() - 1, kKeyboardBandHeight - 1, Scale(kKeyboardBand, 0.75));
}

// The face of a white key from column x0 to x1 (inclusive), with the key edge
// on its left column and a soft shade toward the front of the key.
void DrawWhiteKey(FrameBuffer& picture, int x0, int x1, Rgb face) {
    const int bottom = picture.Height() - 1;
    picture.FillRect({x0, kKeyboardBandHeight, x1 - x0 + 1, bottom - kKeyboardBandHeight}, face);
    constexpr std::array<double, 4> kShade{0.97, 0.93, 0.88, 0.80};
    for (int i = 0; i < static_cast<int>(kShade.size()); ++i)
        picture.HorizontalLine(x0, x1, bottom - 4 + i, Scale(face, kShade[static_cast<std::size_t>(i)]));
    picture.HorizontalLine(x0, x1, bottom, kKeyEdge);
    picture.VerticalLine(x0, kKeyboardBandHeight, bottom, kKeyEdge);
}

// A black key covering exactly the ten columns of its semitone.
void DrawBlackKey(FrameBuffer& picture, int x) {
    const int top = kKeyboardBandHeight;
    picture.FillRect({x, top, kSemitoneWidth, kBlackKeyBottom - top + 1}, kBlackKey);
    // The sloped front of the key and a faint reflection along its top.
    picture.FillRect({x + 1, kBlackKeyBottom - 5, kSemitoneWidth - 2, 5}, kBlackKeyFront);
    picture.VerticalLine(x + 2, top + 2, kBlackKeyBottom - 8, kBlackKeyShine);
}

FrameBuffer Keyboard() {
    FrameBuffer picture(kKeyboardWidth, kKeyboardHeight, kWhite);
    for (int octave = 0; octave * kOctaveWidth < kKeyboardWidth; ++octave) {
        const int base = octave * kOctaveWidth;
        for (std::size_t k = 0; k < kWhiteKeyStarts.size(); ++k) {
            const int end = k + 1 < kWhiteKeyStarts.size() ? kWhiteKeyStarts[k + 1] : kOctaveWidth;
            DrawWhiteKey(picture, base + kWhiteKeyStarts[k], base + end - 1, kWhite);
        }
        for (const int x : kBlackKeyStarts) DrawBlackKey(picture, base + x);
    }
    DrawBand(picture);
    return picture;
}

// The C key of the keyboard in the highlight colour, with the edge of the D
// key on its right and the C# key over its right part, so that laid over the
// keyboard at a C it lines up with the keys around it.
FrameBuffer MiddleCMarker() {
    FrameBuffer picture(kMarkerWidth, kMarkerHeight, kWhite);
    DrawWhiteKey(picture, 0, kWhiteKeyStarts[1] - 1, kMarkerHighlight);
    DrawWhiteKey(picture, kWhiteKeyStarts[1], kMarkerWidth - 1, kWhite);
    DrawBlackKey(picture, kBlackKeyStarts[0]);
    DrawBand(picture);
    return picture;
}

FrameBuffer SpectrumGrid() {
    FrameBuffer picture(kSpectrumGridWidth, kSpectrumGridHeight, kWhite);
    for (int semitone = 0; semitone * kSemitoneWidth < kSpectrumGridWidth; ++semitone)
        if (IsBlackKeySemitone(semitone))
            picture.FillRect({semitone * kSemitoneWidth, 0, kSemitoneWidth, kSpectrumGridHeight}, kGridBlackKeyColumn);
    return picture;
}

// ---------------------------------------------------------------------------
// Staff pictures.
// ---------------------------------------------------------------------------

constexpr std::array<int, 5> kTrebleLines{80, 88, 96, 104, 112};
constexpr std::array<int, 5> kBassLines{160, 168, 176, 184, 192};
constexpr int kStaffLeft = 8, kStaffRight = 123;
constexpr int kThinBar = 118, kThickBarLeft = 121, kThickBarRight = 123;
constexpr Rect kNoteBoxFrame{52, 34, 109 - 52 + 1, 216 - 34 + 1};
constexpr double kSpace = 8;  // distance between two staff lines
// The frame of the note column is cyan while only one staff is in use.
constexpr Rgb kNoteBoxCyan{0, 255, 255};

// Dashes of 3 pixels with gaps of 2, from each corner, so all four corners are
// drawn whatever the side lengths.
void DashedFrame(FrameBuffer& picture, Rect frame, Rgb colour) {
    auto dashed = [&](int length, auto plot) {
        for (int i = 0; i < length; ++i)
            if (i % 5 < 3 || (length - 1 - i) % 5 < 3) plot(i);
    };
    const int right = frame.Right() - 1, bottom = frame.Bottom() - 1;
    dashed(frame.width, [&](int i) {
        picture.SetPixel(frame.x + i, frame.y, colour);
        picture.SetPixel(frame.x + i, bottom, colour);
    });
    dashed(frame.height, [&](int i) {
        picture.SetPixel(frame.x, frame.y + i, colour);
        picture.SetPixel(right, frame.y + i, colour);
    });
}

// The treble clef, drawn around its G line at `gLine`, left edge at `left`.
// Coordinates are in staff spaces, y up from the G line, as clefs are usually
// described; one long pen stroke from the centre of the curl, round the curl,
// up through the top loop and down the stem to the hook, plus the ball.
Shape TrebleClef(double left, double gLine) {
    auto p = [&](double x, double y, double r) { return PenPoint{left + x * kSpace, gLine - y * kSpace, r * kSpace}; };
    std::vector<PenPoint> curl;
    // The curl: a spiral round a centre just above the G line, opening outward
    // with the pen thickening on its sides.
    const double cx = 1.38, cy = 0.02;
    for (int k = 0; k <= 40; ++k) {
        const double turn = k / 40.0;  // 0 .. 1.12 turns
        const double angle = -0.35 + turn * 2 * kPi * 1.12;
        const double radius = 0.38 + 0.95 * std::pow(turn, 0.6);
        const double sideness = std::abs(std::cos(angle));
        const double pen = 0.08 + 0.13 * sideness * std::min(1.0, turn * 2.5);
        // Anticlockwise on paper (y up): right, top, left, bottom, right.
        curl.push_back(p(cx + radius * std::cos(angle), cy + 0.86 * radius * std::sin(angle), pen));
    }
    Shape shape = Stroke(curl);
    const PenPoint last = curl.back();
    const double lx = (last.x - left) / kSpace, ly = (gLine - last.y) / kSpace;
    shape = Union(std::move(shape), Curve({
                                            p(lx, ly, 0.12),
                                            p(2.15, 1.45, 0.24),
                                            p(1.35, 2.35, 0.19),
                                            p(0.95, 3.2, 0.10),
                                            p(1.25, 4.1, 0.07),
                                            p(1.75, 4.35, 0.07),
                                            p(1.95, 3.65, 0.09),
                                            p(1.45, 2.75, 0.10),
                                            p(1.25, 1.5, 0.085),
                                            p(1.45, -0.5, 0.085),
                                            p(1.62, -1.7, 0.09),
                                            p(1.35, -2.35, 0.09),
                                            p(0.85, -2.38, 0.08),
                                            p(0.62, -2.05, 0.07),
                                        },
                                        12));
    return Union(std::move(shape), Disc(left + 0.92 * kSpace, gLine + 1.95 * kSpace, 0.36 * kSpace));
}

// The bass clef around its F line: the ball on the line, the arc over it and
// down into the tail, and the two dots either side of the line.
Shape BassClef(double left, double fLine) {
    auto p = [&](double x, double y, double r) { return PenPoint{left + x * kSpace, fLine - y * kSpace, r * kSpace}; };
    Shape shape = Curve({
                            p(0.35, 0.0, 0.13),
                            p(0.55, 0.6, 0.08),
                            p(1.1, 0.95, 0.09),
                            p(1.75, 0.7, 0.17),
                            p(2.0, 0.0, 0.22),
                            p(1.8, -0.9, 0.18),
                            p(1.2, -1.75, 0.11),
                            p(0.25, -2.45, 0.05),
                        },
                        14);
    shape = Union(std::move(shape), Disc(left + 0.42 * kSpace, fLine - 0.02 * kSpace, 0.34 * kSpace));
    shape = Union(std::move(shape), Disc(left + 2.55 * kSpace, fLine - 0.5 * kSpace, 0.16 * kSpace));
    return Union(std::move(shape), Disc(left + 2.55 * kSpace, fLine + 0.5 * kSpace, 0.16 * kSpace));
}

// The brace joining the two staves: two mirrored arms, thick in their middle,
// thin at the tips beside the staves and meeting in a point at the left.
Shape Brace(double right, double top, double bottom) {
    const double middle = (top + bottom) / 2, arm = (bottom - top) / 2;
    auto half = [&](double dir) {
        auto p = [&](double inward, double along, double pen) { return PenPoint{right - inward, middle - dir * along, pen}; };
        return Curve({p(0.0, arm, 0.45), p(2.2, arm - 5, 1.2), p(3.3, arm - 16, 2.0), p(3.6, 18, 2.0),
                      p(4.8, 6, 1.1), p(6.8, 0, 0.45)},
                     12);
    };
    return Union(half(1), half(-1));
}

enum class StaffInk { Both, Treble, Bass };

FrameBuffer Staff(StaffInk ink) {
    FrameBuffer picture(kStaffWidth, kStaffHeight, kWhite);
    const Rgb treble = ink == StaffInk::Bass ? kStaffGrey : kBlack;
    const Rgb bass = ink == StaffInk::Treble ? kStaffGrey : kBlack;
    const Rgb joint = ink == StaffInk::Both ? kBlack : kStaffGrey;

    // The note column first, so the staff lines run unbroken across it.
    DashedFrame(picture, kNoteBoxFrame, ink == StaffInk::Both ? kNoteBoxBlue : kNoteBoxCyan);

    auto staff = [&](const std::array<int, 5>& rows, Rgb colour) {
        for (const int row : rows) picture.HorizontalLine(kStaffLeft, kStaffRight, row, colour);
        picture.VerticalLine(kStaffLeft, rows.front(), rows.back(), colour);
        picture.VerticalLine(kThinBar, rows.front(), rows.back(), colour);
        picture.FillRect({kThickBarLeft, rows.front(), kThickBarRight - kThickBarLeft + 1, rows.back() - rows.front() + 1}, colour);
    };
    staff(kTrebleLines, treble);
    staff(kBassLines, bass);
    // The system line and the final bar run through the gap between the staves.
    const int gapTop = kTrebleLines.back() + 1, gapBottom = kBassLines.front() - 1;
    picture.VerticalLine(kStaffLeft, gapTop, gapBottom, joint);
    picture.VerticalLine(kThinBar, gapTop, gapBottom, joint);
    picture.FillRect({kThickBarLeft, gapTop, kThickBarRight - kThickBarLeft + 1, gapBottom - gapTop + 1}, joint);

    Canvas canvas(picture);
    canvas.Paint(Brace(kStaffLeft - 0.5, kTrebleLines.front() - 1, kBassLines.back() + 2), joint);
    canvas.Paint(TrebleClef(12, kTrebleLines[3] + 0.5), treble);
    canvas.Paint(BassClef(12, kBassLines[1] + 0.5), bass);
    return canvas.Flatten(kWhite);
}

// ---------------------------------------------------------------------------
// Note glyphs.
// ---------------------------------------------------------------------------

constexpr Rect kHeadBox{18, 8, 12, 8};  // x 18..29, y 8..15
constexpr int kLedgerRow = 12, kLedgerLeft = 14, kLedgerRight = 33;
constexpr double kBeforeX = 8.5;   // centre of an accidental before the head
constexpr double kAfterX = 36.5;   // and after it

// A whole-note head: the oval with a tilted oval hollow.
void DrawWholeHead(FrameBuffer& cell, Rgb ink) {
    cell.FillEllipse(kHeadBox, ink);
    const double cx = kHeadBox.x + kHeadBox.width / 2.0, cy = kHeadBox.y + kHeadBox.height / 2.0;
    FillHard(cell, Ellipse(cx, cy, 3.4, 2.0, -0.95), kTransparentColour);
}

// A slanted bar of an accidental: `thickness` high, rising `rise` from left
// to right, centred on (cx, cy).
Shape SlantedBar(double x0, double x1, double cy, double thickness, double rise) {
    const double h = thickness / 2, r = rise / 2;
    return Polygon({{x0, cy + r - h}, {x1, cy - r - h}, {x1, cy - r + h}, {x0, cy + r + h}});
}

Shape Sharp(double cx, double cy) {
    Shape s = Union(RectShape(cx - 2.5, cy - 8, cx - 1.5, cy + 9), RectShape(cx + 1.5, cy - 9, cx + 2.5, cy + 8));
    s = Union(std::move(s), SlantedBar(cx - 4.5, cx + 4.5, cy - 3, 2.2, 2));
    return Union(std::move(s), SlantedBar(cx - 4.5, cx + 4.5, cy + 3, 2.2, 2));
}

Shape Flat(double cx, double cy) {
    const double stem = cx - 2;
    Shape s = RectShape(stem - 0.5, cy - 12, stem + 0.5, cy + 5);
    return Union(std::move(s), Curve({{stem, cy - 0.5, 0.5}, {stem + 2.5, cy - 2.4, 0.8}, {stem + 4.6, cy - 1.3, 0.9},
                                      {stem + 3.6, cy + 2.0, 0.85}, {stem + 0.3, cy + 4.5, 0.6}}));
}

Shape Natural(double cx, double cy) {
    Shape s = Union(RectShape(cx - 3, cy - 9, cx - 2, cy + 4.5), RectShape(cx + 2, cy - 4.5, cx + 3, cy + 9));
    s = Union(std::move(s), SlantedBar(cx - 2.5, cx + 2.5, cy - 2.5, 2, 1.5));
    return Union(std::move(s), SlantedBar(cx - 2.5, cx + 2.5, cy + 2.5, 2, 1.5));
}

FrameBuffer NoteGlyphs() {
    FrameBuffer strip(kNoteGlyphWidth * kNoteGlyphCount, kNoteGlyphHeight, kTransparentColour);
    const double cy = kLedgerRow + 0.5;
    for (int grey = 0; grey < 2; ++grey) {
        const Rgb ink = grey ? kNoteGlyphGrey : kBlack;
        for (int glyph = 0; glyph < kNoteGlyphGreyOffset; ++glyph) {
            FrameBuffer cell(kNoteGlyphWidth, kNoteGlyphHeight, kTransparentColour);
            if (glyph == kNoteLedgerLine) {
                cell.HorizontalLine(kLedgerLeft, kLedgerRight, kLedgerRow, ink);
            } else {
                DrawWholeHead(cell, ink);
                const double x = glyph < kNoteHeadAlone ? kBeforeX : kAfterX;
                switch (glyph % 4) {
                    case 1: FillHard(cell, Sharp(x, cy), ink); break;
                    case 2: FillHard(cell, Flat(x, cy), ink); break;
                    case 3: FillHard(cell, Natural(x, cy), ink); break;
                    default: break;
                }
            }
            strip.Blit({(glyph + grey * kNoteGlyphGreyOffset) * kNoteGlyphWidth, 0}, cell);
        }
    }
    return strip;
}

// ---------------------------------------------------------------------------
// Transport glyphs. They are always seen on the face of a button, so their
// smoothed edges are blended toward that colour.
// ---------------------------------------------------------------------------

constexpr Rgb kButtonFace{236, 233, 216};

enum class Look { Normal, Pressed, Disabled };

struct GlyphPaint {
    Shape shape;
    Rgb top, bottom;  // gradient of the fill
};

// One transport glyph as a few filled shapes with an outline of `edge`.
std::vector<GlyphPaint> TransportShapes(int kind) {
    const Rgb blueTop{78, 112, 186}, blueBottom{28, 48, 110};
    switch (kind) {
        case kGlyphPlay:
            return {{Polygon({{8, 3.5}, {8, 19.5}, {20.5, 11.5}}), {90, 200, 90}, {20, 120, 40}}};
        case kGlyphStop:
            return {{RoundRect(6, 4, 19, 19, 1.8), blueTop, blueBottom}};
        case kGlyphPause:
            return {{RoundRect(6, 4, 11, 19, 1.2), blueTop, blueBottom},
                    {RoundRect(14, 4, 19, 19, 1.2), blueTop, blueBottom}};
        case kGlyphKeep: {
            // A fermata, the musician's sign for "hold this".
            std::vector<PenPoint> arc;
            for (int k = 0; k <= 32; ++k) {
                const double a = kPi + kPi * k / 32.0;
                const double pen = 0.8 + 1.0 * std::sin(kPi * k / 32.0);
                arc.push_back({12.5 + 8.5 * std::cos(a), 17.0 + 10.0 * std::sin(a), pen});
            }
            return {{Stroke(std::move(arc)), {200, 130, 40}, {150, 80, 10}},
                    {Disc(12.5, 15.5, 2.4), {200, 130, 40}, {150, 80, 10}}};
        }
        case kGlyphFastForward:
            return {{Polygon({{4, 5}, {4, 18}, {12.5, 11.5}}), blueTop, blueBottom},
                    {Polygon({{12.5, 5}, {12.5, 18}, {21, 11.5}}), blueTop, blueBottom}};
        case kGlyphRewind:
            return {{Polygon({{21, 5}, {21, 18}, {12.5, 11.5}}), blueTop, blueBottom},
                    {Polygon({{12.5, 5}, {12.5, 18}, {4, 11.5}}), blueTop, blueBottom}};
        case kGlyphLive:
        default:
            return {{Disc(12.5, 11.5, 7.5), {110, 230, 110}, {0, 120, 20}}};
    }
}

FrameBuffer TransportGlyph(int kind, Look look) {
    Canvas canvas(kTransportGlyphWidth, kTransportGlyphHeight);
    const auto shapes = TransportShapes(kind);
    if (look == Look::Disabled) {
        // The usual disabled look: flat grey with a white relief below right.
        for (const auto& s : shapes) canvas.Paint(Translate(s.shape, 1, 1), kWhite);
        for (const auto& s : shapes) canvas.Paint(s.shape, Rgb{128, 128, 128});
        return canvas.Flatten(kButtonFace, kTransparentColour);
    }
    const double shade = look == Look::Pressed ? 0.68 : 1.0;
    for (const auto& s : shapes) {
        const Rgb top = Scale(s.top, shade), bottom = Scale(s.bottom, shade);
        canvas.Paint(s.shape, Scale(bottom, 0.6));  // the outline
        // The fill: the same shape eroded by one pixel, with its gradient.
        const Shape inner = s.shape;
        const Shape eroded{inner.box, [inner](double x, double y) {
                               for (const auto& [dx, dy] : {std::pair{0.9, 0.0}, {-0.9, 0.0}, {0.0, 0.9}, {0.0, -0.9},
                                                           {0.64, 0.64}, {-0.64, 0.64}, {0.64, -0.64}, {-0.64, -0.64}})
                                   if (!inner.inside(x + dx, y + dy)) return false;
                               return true;
                           }};
        canvas.Paint(eroded, VerticalGradient(top, bottom, s.shape.box.y0, s.shape.box.y1));
    }
    if (kind == kGlyphLive) {
        // The shine of a lit lamp.
        canvas.Paint(Ellipse(10.5, 8.5, 3.2, 2.2, -0.6), kWhite, look == Look::Pressed ? 0.35 : 0.7);
    }
    return canvas.Flatten(kButtonFace, kTransparentColour);
}

FrameBuffer TransportGlyphs() {
    FrameBuffer strip(kTransportGlyphWidth * kTransportGlyphCount, kTransportGlyphHeight, kTransparentColour);
    constexpr std::array<int, 7> kinds{kGlyphPlay, kGlyphStop, kGlyphPause, kGlyphKeep, kGlyphFastForward, kGlyphRewind, kGlyphLive};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const int kind = kinds[i];
        strip.Blit({kind * kTransportGlyphWidth, 0}, TransportGlyph(kind, Look::Normal));
        strip.Blit({(kind + 1) * kTransportGlyphWidth, 0}, TransportGlyph(kind, Look::Pressed));
        strip.Blit({(kGlyphPlayDisabled + static_cast<int>(i)) * kTransportGlyphWidth, 0}, TransportGlyph(kind, Look::Disabled));
    }
    return strip;
}

// ---------------------------------------------------------------------------
// Program icon and title logo: an eighth note inside a loop arrow, the
// program's idea of hearing a passage again and again.
// ---------------------------------------------------------------------------

constexpr Rgb kNavyTop{40, 72, 140}, kNavyBottom{14, 28, 70};
constexpr Rgb kAmber{255, 190, 48};
constexpr Rgb kLoopWhite{236, 242, 255};

// The loop arrow round (cx, cy) and the note inside it, `size` being the
// diameter of the loop.
void PaintLoopMotif(Canvas& canvas, double cx, double cy, double size) {
    const double r = size / 2, pen = size * 0.075;
    // Open at the upper right; the arrowhead at the open end points clockwise.
    const double gapEnd = -0.2 * kPi, gapStart = -0.55 * kPi;
    canvas.Paint(Arc(cx, cy, r, gapEnd, gapStart + 2 * kPi, pen), kLoopWhite);
    const double a = gapStart + 2 * kPi;
    const Vec tip{cx + r * std::cos(a + 0.55), cy + r * std::sin(a + 0.55)};
    const Vec radial{std::cos(a), std::sin(a)};
    const Vec base{cx + r * std::cos(a), cy + r * std::sin(a)};
    const double wing = size * 0.23;
    canvas.Paint(Polygon({{base.x + radial.x * wing, base.y + radial.y * wing},
                          {base.x - radial.x * wing, base.y - radial.y * wing},
                          {tip.x, tip.y}}),
                 kLoopWhite);

    // The note: a tilted head, a stem and a flag.
    const double s = size / 22.0;
    const Vec head{cx - 2.2 * s, cy + 4.2 * s};
    canvas.Paint(Ellipse(head.x, head.y, 3.3 * s, 2.3 * s, -0.45), kAmber);
    const double stemX = head.x + 2.7 * s;
    canvas.Paint(Stroke({{stemX, head.y - 0.5 * s, 0.75 * s}, {stemX, cy - 7.0 * s, 0.75 * s}}), kAmber);
    canvas.Paint(Curve({{stemX, cy - 7.0 * s, 0.9 * s},
                        {stemX + 2.2 * s, cy - 4.8 * s, 0.95 * s},
                        {stemX + 3.7 * s, cy - 2.2 * s, 0.7 * s},
                        {stemX + 2.6 * s, cy + 0.6 * s, 0.45 * s}}),
                 kAmber);
}

// The letters of the logo, drawn with a round pen: x-height 14, cap height
// 21, baseline at row 26 of the logo.
struct Letters {
    double pen = 2.1;
    double baseline = 26.5, xTop = 12.5, capTop = 5.5, descender = 32.5;

    double Bottom() const { return baseline - pen; }
    double XTop() const { return xTop + pen; }
    double CapTop() const { return capTop + pen; }
    // Centre and radius of a round letter sitting on the baseline.
    double BowlY() const { return (XTop() + Bottom()) / 2; }
    double BowlR() const { return (Bottom() - XTop()) / 2; }

    Shape Line(double x0, double y0, double x1, double y1) const { return Stroke({{x0, y0, pen}, {x1, y1, pen}}); }

    // Each returns the shape with its left side at x and advances x.
    Shape E(double& x) const {
        const double l = x + pen, r = l + 10;
        Shape s = Line(l, CapTop(), l, Bottom());
        s = Union(std::move(s), Line(l, CapTop(), r, CapTop()));
        s = Union(std::move(s), Line(l, (CapTop() + Bottom()) / 2, r - 1.5, (CapTop() + Bottom()) / 2));
        s = Union(std::move(s), Line(l, Bottom(), r, Bottom()));
        x = r + pen;
        return s;
    }
    Shape A(double& x) const {
        const double cx = x + pen + BowlR() + 0.3;
        Shape s = Minus(Ellipse(cx, BowlY(), BowlR() + 0.3 + pen, BowlR() + pen), Ellipse(cx, BowlY(), BowlR() + 0.3 - pen, BowlR() - pen));
        const double stem = cx + BowlR() + 0.3;
        s = Union(std::move(s), Line(stem, XTop(), stem, Bottom() + 0.6));
        x = stem + pen;
        return s;
    }
    Shape R(double& x) const {
        const double l = x + pen;
        Shape s = Line(l, XTop(), l, Bottom());
        s = Union(std::move(s), Curve({{l, BowlY() + 1.5, pen}, {l + 2.3, XTop() + 0.3, pen}, {l + 5.5, XTop(), pen}, {l + 7.3, XTop() + 0.8, pen * 0.9}}));
        x = l + 7.3 + pen;
        return s;
    }
    Shape L(double& x) const {
        const double l = x + pen;
        Shape s = Curve({{l, CapTop() - 1, pen}, {l, Bottom() - 2.5, pen}, {l + 1.3, Bottom(), pen}, {l + 3.5, Bottom(), pen * 0.9}});
        x = l + 3.5 + pen * 0.5;
        return s;
    }
    Shape O(double& x) const {
        const double cx = x + pen + BowlR() + 0.3;
        Shape s = Minus(Ellipse(cx, BowlY(), BowlR() + 0.3 + pen, BowlR() + pen), Ellipse(cx, BowlY(), BowlR() + 0.3 - pen, BowlR() - pen));
        x = cx + BowlR() + 0.3 + pen;
        return s;
    }
    Shape P(double& x) const {
        const double l = x + pen;
        const double cx = l + BowlR() + 0.3;
        Shape s = Line(l, XTop(), l, descender - pen);
        s = Union(std::move(s), Minus(Ellipse(cx, BowlY(), BowlR() + 0.3 + pen, BowlR() + pen), Ellipse(cx, BowlY(), BowlR() + 0.3 - pen, BowlR() - pen)));
        x = cx + BowlR() + 0.3 + pen;
        return s;
    }
    Shape Bang(double& x) const {
        const double c = x + pen + 0.3;
        Shape s = Stroke({{c, CapTop() - 0.5, pen + 0.3}, {c, Bottom() - 5.5, pen * 0.6}});
        s = Union(std::move(s), Disc(c, Bottom(), pen + 0.4));
        x = c + pen + 0.3;
        return s;
    }
};

FrameBuffer TitleLogo() {
    constexpr Rgb kAboutBackground{236, 233, 216};
    Canvas canvas(kTitleLogoWidth, kTitleLogoHeight);
    canvas.Paint(RoundRect(0, 0, kTitleLogoWidth, kTitleLogoHeight, 7), VerticalGradient(kNavyTop, kNavyBottom, 0, kTitleLogoHeight));
    // A thin light line along the top edge gives the plate some depth.
    canvas.Paint(Minus(RoundRect(0, 0, kTitleLogoWidth, kTitleLogoHeight, 7), RoundRect(0, 1.2, kTitleLogoWidth, kTitleLogoHeight + 2, 7)),
                 Rgb{120, 150, 210}, 0.8);

    PaintLoopMotif(canvas, 21, 17, 24);

    const Letters letters;
    constexpr double kGap = 3.6;
    // Measure first, so the word can be centred in the space right of the motif.
    auto layout = [&](double x, auto paint) {
        paint(letters.E(x), kLoopWhite);
        x += kGap;
        paint(letters.A(x), kLoopWhite);
        x += kGap;
        paint(letters.R(x), kLoopWhite);
        x += kGap - 1;
        paint(letters.L(x), kLoopWhite);
        x += kGap;
        paint(letters.O(x), kAmber);
        x -= 0.5;
        paint(letters.O(x), kAmber);
        x += kGap;
        paint(letters.P(x), kLoopWhite);
        x += 3 * kGap;
        paint(letters.Bang(x), kAmber);
        return x;
    };
    const double width = layout(0, [](const Shape&, Rgb) {});
    const double left = 40 + (kTitleLogoWidth - 40 - width) / 2;
    layout(left, [&](const Shape& s, Rgb colour) {
        canvas.Paint(Translate(s, 1.2, 1.4), Rgb{0, 0, 20}, 0.55);  // drop shadow
        canvas.Paint(s, colour);
    });
    return canvas.Flatten(kAboutBackground);
}

FrameBuffer SolidStrip(Rgb colour) { return FrameBuffer(kCursorStripWidth, kCursorStripHeight, colour); }

}  // namespace

// Drawn on a grid of kProgramIconSize units, each `size` / kProgramIconSize
// pixels wide.
FrameBuffer RenderProgramIcon(int size) {
    const double unit = static_cast<double>(size) / kProgramIconSize;
    Canvas canvas(size, size);
    canvas.Paint(RectShape(0, 0, size, size), Rgb{10, 20, 52});
    canvas.Paint(RoundRect(unit, unit, size - unit, size - unit, 4 * unit),
                 VerticalGradient(kNavyTop, kNavyBottom, unit, size - unit));
    PaintLoopMotif(canvas, 16 * unit, 16.5 * unit, 22 * unit);
    return canvas.Flatten(kNavyBottom);
}

std::optional<FrameBuffer> RenderPicture(int id) {
    switch (static_cast<PictureId>(id)) {
        case PictureId::ProgramIcon: return RenderProgramIcon(kProgramIconSize);
        case PictureId::Keyboard: return Keyboard();
        case PictureId::PlayCursorStrip: return SolidStrip({0, 255, 255});
        case PictureId::SpectrumGrid: return SpectrumGrid();
        case PictureId::TransportGlyphs: return TransportGlyphs();
        case PictureId::MiddleCMarker: return MiddleCMarker();
        case PictureId::TitleLogo: return TitleLogo();
        case PictureId::NoteGlyphs: return NoteGlyphs();
        case PictureId::StaffBoth: return Staff(StaffInk::Both);
        case PictureId::StaffTreble: return Staff(StaffInk::Treble);
        case PictureId::StaffBass: return Staff(StaffInk::Bass);
        case PictureId::MarkCursorStrip: return SolidStrip({255, 255, 0});
    }
    return std::nullopt;
}

std::vector<FrameBuffer> SplitStrip(const FrameBuffer& strip, int cellWidth, int count) {
    std::vector<FrameBuffer> cells;
    if (cellWidth <= 0 || count <= 0 || strip.Width() / cellWidth < count) return cells;
    cells.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) cells.push_back(strip.Crop({i * cellWidth, 0, cellWidth, strip.Height()}));
    return cells;
}

}  // namespace earloop
