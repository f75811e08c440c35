#pragma once
#include "ports/text_renderer.h"

namespace earloop {

// Renders text with the toolkit into the program's own pictures. Faces the
// system lacks ("Tahoma") fall back to a sans-serif face of the same pitch.
class WxTextRenderer : public TextRenderer {
public:
    void DrawText(FrameBuffer& target, Point at, std::string_view utf8, const FontSpec& font, Rgb colour,
                  std::optional<Rgb> background) override;
};

}  // namespace earloop
