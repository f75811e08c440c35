#include "display/main_view.h"

#include <cstdio>

#include "resources/pictures.h"

namespace earloop {

namespace {
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kFaceNew{236, 233, 216};
constexpr Rgb kFaceOld{191, 191, 191};

// The bevel of a raised or sunken button: outer and inner rings, each with a
// top-left and a bottom-right colour.
void DrawEdge(FrameBuffer& face, bool sunken) {
    constexpr Rgb highlight{255, 255, 255}, light{241, 239, 226}, shadow{172, 168, 153}, darkShadow{113, 111, 100};
    const Rgb outerTopLeft = sunken ? shadow : light, outerBottomRight = sunken ? highlight : darkShadow;
    const Rgb innerTopLeft = sunken ? darkShadow : highlight, innerBottomRight = sunken ? light : shadow;
    auto ring = [&face](int inset, Rgb topLeft, Rgb bottomRight) {
        const int right = face.Width() - 1 - inset, bottom = face.Height() - 1 - inset;
        face.HorizontalLine(inset, right, inset, topLeft);
        face.VerticalLine(inset, inset, bottom, topLeft);
        face.HorizontalLine(inset, right, bottom, bottomRight);
        face.VerticalLine(right, inset, bottom, bottomRight);
    };
    ring(0, outerTopLeft, outerBottomRight);
    ring(1, innerTopLeft, innerBottomRight);
}
}  // namespace

std::string FormatPlayTime(const char* format, unsigned ms) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<int>(ms / 60000), static_cast<int>(ms % 60000 / 1000),
                  static_cast<int>(ms % 1000 / 10));
    return text;
}

MainView::MainView(WindowPort& window, DialogPort& dialogs, TextRenderer& text, const MainWindow& mainWindow)
    : window_(window), dialogs_(dialogs), text_(text), main_(mainWindow), client_(kClientWidth, kClientHeight, kFaceNew) {}

Rgb MainView::FaceColour() const { return main_.Old() ? kFaceOld : kFaceNew; }

void MainView::DrawBigTime(Rect box) {
    client_.FillRect(box, {0, 0, 127});
    client_.FrameRect(box, kBlack);
    const bool old = main_.Old();
    const FontSpec font{"Tahoma", 40, old ? 15 : 14, 900, true};
    const Point at = old ? Point{box.x - 11, box.y + 5} : Point{box.x - 8, box.y + 2};
    text_.DrawText(client_, at, readouts_.bigTime, font, {255, 255, 127}, std::nullopt);
    window_.Present(client_, box);
    window_.DescribeDrawnText("Time", box, readouts_.bigTime);
}

void MainView::DrawSmallTime(const char* name, Point oldAt, Point newAt, const std::string& text, bool active) {
    const bool old = main_.Old();
    const FontSpec font{"Tahoma", old ? 20 : 18, 7, 400, true};
    const Point at = old ? oldAt : newAt;
    text_.DrawText(client_, at, text, font, active ? kBlack : Rgb{150, 150, 150}, FaceColour());
    // The text cell of these fonts: 9 characters of 7 pixels, one line.
    const Rect cell{at.x, at.y, 9 * 7 + 2, font.height};
    window_.Present(client_, cell);
    window_.DescribeDrawnText(name, cell, text);
}

void MainView::DrawMarkTime(const std::string& text) {
    DrawSmallTime("Mark", {188, 164}, {187, 165}, text, readouts_.markTimeActive);
}

void MainView::DrawRepeatTime(const std::string& text) {
    DrawSmallTime("Repeat end", {188, 185}, {187, 186}, text, readouts_.repeatTimeActive);
}

void MainView::DrawKeyboardAndMarker() {
    client_.Blit(kKeyboardAt, surfaces_.keyboard);
    client_.Blit({view_.markerX, kKeyboardAt.y}, surfaces_.middleCMarker);
    window_.Present(client_, {kKeyboardAt.x, kKeyboardAt.y, surfaces_.keyboard.Width(), surfaces_.keyboard.Height()});
}

void MainView::DrawTransportButton(Transport button, const TransportButton& state, bool pressed) {
    const TransportSpec& spec = TransportButtonSpec(button);
    const Rect rect = MainWindowControls()[static_cast<int>(spec.ctl)].spec.rect;
    FrameBuffer face(rect.width, rect.height, FaceColour());
    const bool down = pressed || state.latched;
    const int glyph = down ? state.glyph + 1 : state.glyph;
    const int shift = down ? 2 : 0;
    if (glyph >= 0 && glyph < static_cast<int>(surfaces_.transportGlyphs.size())) {
        const FrameBuffer& picture = surfaces_.transportGlyphs[glyph];
        face.BlitMasked({spec.glyphX + shift, spec.glyphY + shift}, picture, {0, 0, picture.Width(), picture.Height()},
                        kTransparentColour);
    }
    DrawEdge(face, down);
    window_.PresentControl(main_[spec.ctl], face);
}

}  // namespace earloop
