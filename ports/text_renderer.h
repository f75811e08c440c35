#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "picture/frame_buffer.h"

namespace earloop {

// A logical font as the drawing code asks for it: cell height and average
// character width in pixels, weight 100 to 900.
struct FontSpec {
    std::string face;
    int height = 0;
    int width = 0;
    int weight = 400;
    bool fixedPitch = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

class TextRenderer {
public:
    virtual ~TextRenderer() = default;
    // Draws one line of text with its cell's top left at `at`. With a
    // background the text cell is filled first (opaque), otherwise only the
    // glyphs are drawn (transparent).
    virtual void DrawText(FrameBuffer& target, Point at, std::string_view utf8, const FontSpec& font, Rgb colour,
                          std::optional<Rgb> background) = 0;
};

}  // namespace earloop
