#include "platform/wx/wx_text_renderer.h"

#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/fontenum.h>
#include <wx/image.h>

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
    const wxSize size = measure.GetTextExtent(text);
    if (size.x <= 0 || size.y <= 0) return;

    // Draw over a copy of the target's pixels, so transparent text blends
    // with what is already there, then copy the result back.
    const Rect area{at.x, at.y, size.x, std::max(size.y, spec.height)};
    const FrameBuffer under = target.Crop(area);
    wxImage image(area.width, area.height, false);
    std::copy(under.Bytes().begin(), under.Bytes().end(), image.GetData());
    wxBitmap bitmap(image, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetFont(font);
        if (background) {
            dc.SetBackground(wxBrush(wxColour(background->r, background->g, background->b)));
            dc.Clear();
        }
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(wxColour(colour.r, colour.g, colour.b));
        dc.DrawText(text, 0, 0);
    }
    const wxImage drawn = bitmap.ConvertToImage();
    FrameBuffer result(area.width, area.height, {});
    std::copy(drawn.GetData(), drawn.GetData() + result.Bytes().size(), result.Bytes().begin());
    target.Blit({area.x, area.y}, result);
}

}  // namespace earloop
