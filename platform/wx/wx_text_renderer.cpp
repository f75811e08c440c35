#include "platform/wx/wx_text_renderer.h"

#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/fontenum.h>
#include <wx/image.h>

#include <cstdint>

#include <algorithm>
#include <map>

namespace earloop {

namespace {

wxFont FontFor(const FontSpec& spec) {
    static std::map<std::pair<std::string, bool>, wxString> faces;
    auto& face = faces[{spec.face, spec.fixedPitch}];
    if (face.empty()) {
        face = wxString::FromUTF8(spec.face);
        if (!wxFontEnumerator::IsValidFacename(face)) {
            const wxString fallbacks = spec.fixedPitch ? "DejaVu Sans Mono,Liberation Mono,Monospace"
                                                       : "DejaVu Sans,Liberation Sans,Sans";
            for (const wxString& candidate : wxSplit(fallbacks, ','))
                if (wxFontEnumerator::IsValidFacename(candidate)) {
                    face = candidate;
                    break;
                }
        }
    }
    const wxFontWeight weight = spec.weight >= 700 ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL;
    // A cell height asks for the font whose line is that tall; the face's
    // ascent and descent take about 1.2 times its pixel size.
    wxFont font(wxFontInfo(wxSize(0, std::max(1, spec.height * 5 / 6))).FaceName(face).Weight(weight));
    if (spec.fixedPitch) font.SetFamily(wxFONTFAMILY_TELETYPE);
    return font;
}

}  // namespace

void WxTextRenderer::DrawText(FrameBuffer& target, Point at, std::string_view utf8, const FontSpec& spec, Rgb colour,
                              std::optional<Rgb> background) {
    const wxString text = wxString::FromUTF8(utf8.data(), utf8.size());
    const wxFont font = FontFor(spec);
    wxMemoryDC measure;
    measure.SetFont(font);
    const wxSize natural = measure.GetTextExtent(text);
    if (natural.x <= 0 || natural.y <= 0) return;

    // The glyphs as a grey-level coverage mask: white text on black.
    wxBitmap maskBitmap(natural.x, natural.y, 24);
    {
        wxMemoryDC dc(maskBitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        dc.SetFont(font);
        dc.SetTextForeground(*wxWHITE);
        dc.DrawText(text, 0, 0);
    }
    wxImage mask = maskBitmap.ConvertToImage();
    // A fixed-pitch font is asked for by its character width: the cells are
    // stretched or narrowed to it, so a readout fills exactly its box.
    if (spec.fixedPitch && spec.width > 0) {
        const int width = std::max(1, static_cast<int>(text.length()) * spec.width);
        mask.Rescale(width, natural.y, wxIMAGE_QUALITY_BILINEAR);
    }

    const int width = mask.GetWidth(), height = mask.GetHeight();
    if (background) target.FillRect({at.x, at.y, width, std::max(height, spec.height)}, *background);
    const unsigned char* coverage = mask.GetData();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int alpha = coverage[(static_cast<std::size_t>(y) * width + x) * 3];
            if (alpha == 0) continue;
            const Rgb under = target.Pixel(at.x + x, at.y + y);
            auto mix = [alpha](int fg, int bg) { return static_cast<std::uint8_t>((fg * alpha + bg * (255 - alpha)) / 255); };
            target.SetPixel(at.x + x, at.y + y, {mix(colour.r, under.r), mix(colour.g, under.g), mix(colour.b, under.b)});
        }
}

}  // namespace earloop
