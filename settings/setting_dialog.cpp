#include "settings/setting_dialog.h"

#include <algorithm>
#include <cstdint>

namespace earloop {

const SettingDialogSpec& SettingDialogLayout() {
    using K = SettingControlKind;
    namespace id = SettingId;
    // The page captions that nobody addresses keep ids of their own; frames
    // and hints nobody addresses are -1.
    static const SettingDialogSpec layout{
        "Setting",
        251,
        190,
        {7, 7, 237, 156},
        {{id::Default, K::PushButton, "Default", {7, 169, 50, 14}},
         {id::Cancel, K::PushButton, "Cancel", {133, 169, 50, 14}},
         {id::Ok, K::PushButton, "OK", {194, 169, 50, 14}}},
        {
            {"Play mode",
             {{1056, K::GroupBox, "FF/RW step", {7, 7, 97, 84}},
              {1057, K::Label, "at Play mode", {20, 21, 61, 10}},
              {id::FfRwList, K::EditableList, "FF/RW step at Play mode [sec]", {27, 34, 44, 76}},
              {1058, K::Label, "[sec]", {76, 38, 17, 12}},
              {1059, K::Label, "at Keep mode", {21, 52, 61, 10}},
              {id::KeepStepList, K::DropDownList, "FF/RW step at Keep mode [Loop]", {27, 64, 44, 72}},
              {1060, K::Label, "[Loop]", {75, 69, 21, 12}},
              {1063, K::GroupBox, "Loop mode", {114, 7, 91, 84}},
              {id::Automatic, K::CheckBox, "Automatic", {125, 21, 56, 11}},
              {id::SingleMode, K::RadioButton, "SingleMode", {131, 36, 56, 11}, true},
              {id::DoubleMode, K::RadioButton, "DoubleMode", {131, 49, 56, 11}},
              {1061, K::GroupBox, "MoveMarkPosition", {7, 96, 97, 35}},
              {id::MarkStepList, K::EditableList, "MoveMarkPosition [sec]", {28, 111, 43, 72}},
              {1062, K::Label, "[sec]", {76, 113, 17, 12}},
              {1064, K::GroupBox, "Vocal Canceler", {113, 96, 92, 36}},
              {id::VocalCanceller, K::CheckBox, "L ch - R ch", {128, 111, 60, 12}}}},
            {"MIDI",
             {{1009, K::GroupBox, "MIDI Setting", {14, 7, 157, 75}},
              {1008, K::Label, "Select MIDI Instrument", {25, 21, 113, 9}},
              {id::InstrumentList, K::EditableList, "Select MIDI Instrument", {23, 32, 138, 61}},
              {1007, K::Label, "Select MIDI Device", {25, 50, 83, 10}},
              {id::DeviceList, K::DropDownList, "Select MIDI Device", {23, 60, 138, 61}},
              {1028, K::GroupBox, "440Hz Calibration", {13, 91, 115, 38}},
              {id::CalibrationDown, K::PushButton, "-", {30, 108, 23, 12}},
              {id::CalibrationValue, K::CentredLabel, "", {55, 111, 26, 11}},
              {id::CalibrationUp, K::PushButton, "+", {85, 108, 23, 12}}}},
            // The two captions sit on the top edges of their frames: they are
            // the frames' own captions, from the captions' top to the frames' bottom.
            {"Wave File Info.",
             {{id::FileNameLabel, K::GroupBox, "File Name :", {7, 12, 222, 30}},
              {id::FileName, K::ReadOnlyEdit, "File Name :", {10, 26, 215, 12}},
              {id::FormatLabel, K::GroupBox, "Wave Format :", {7, 47, 222, 90}},
              {id::FormatLines[0], K::Label, "-", {19, 68, 132, 8}},
              {id::FormatLines[1], K::Label, "-", {19, 77, 132, 8}},
              {id::FormatLines[2], K::Label, "-", {19, 86, 132, 8}},
              {id::FormatLines[3], K::Label, "-", {19, 96, 132, 8}},
              {id::FormatLines[4], K::Label, "-", {19, 105, 132, 8}},
              {id::FormatLines[5], K::Label, "-", {19, 115, 132, 8}}}},
            {"Wave In mode",
             {{-1, K::GroupBox, "Clipping Level", {14, 7, 94, 63}},
              {id::Light, K::RadioButton, "Light", {30, 22, 50, 12}, true},
              {id::Medium, K::RadioButton, "Medium", {30, 34, 52, 14}},
              {id::Heavy, K::RadioButton, "Heavy", {30, 47, 56, 15}},
              {1070, K::GroupBox, "DC Offset", {118, 7, 93, 46}},
              {id::RemoveDcOffset, K::CheckBox, "Remove DC Offset", {125, 27, 79, 10}}}},
            {"Note Box",
             {{-1, K::GroupBox, "Note Box Position at Opening", {15, 7, 200, 59}},
              {id::RightOfMainWindow, K::RadioButton, "Right side of the main Window", {31, 22, 154, 10}, true},
              {id::TopOfMainWindow, K::RadioButton, "Top of the main Window", {31, 36, 159, 10}},
              {-1, K::Label, "( You can move this Note Box enywhere by mouse)", {32, 51, 181, 10}},
              {-1, K::GroupBox, "Chord analysis mode", {16, 71, 199, 62}},
              {id::SimpleMode, K::RadioButton, "Simple mode", {31, 84, 60, 9}, true},
              {-1, K::Label, "C, C6, C7, Cm, Cm6, Cm7, Caug, Cdim", {50, 95, 135, 11}},
              {id::NormalMode, K::RadioButton, "Nornal mode", {31, 107, 82, 9}},
              {-1, K::Label, "Simple mode + CM7, CmM7, Csus4, C7sus4", {49, 118, 156, 9}}}},
        }};
    return layout;
}

std::vector<std::string> FfRwStepEntries() {
    std::vector<std::string> entries;
    for (int seconds = 1; seconds <= 10; ++seconds) entries.push_back(std::to_string(seconds));
    for (int seconds = 15; seconds <= 60; seconds += 5) entries.push_back(std::to_string(seconds));
    return entries;
}

std::vector<std::string> KeepStepEntries() { return {"1/1", "1/2", "1/3", "1/4"}; }

std::vector<std::string> MarkStepEntries() { return {"0.2", "0.5", "1", "2"}; }

std::string FfRwStepText(int ffRwStepMs) { return std::to_string(ffRwStepMs / 1000); }

// Tenths of a second, rounded; the steps are never negative.
std::string MarkStepText(int markPointStepMs) {
    const int tenths = (std::max(markPointStepMs, 0) + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

namespace {

// The number a text begins with (blanks, a sign, digits, a point and
// digits), in thousandths, truncated; nullopt when it begins with none. Read
// digit by digit, so no binary fraction rounds "0.3" below 300 and no locale
// turns the point into a comma.
std::optional<std::int64_t> ThousandthsOf(std::string_view text) {
    constexpr std::int64_t kCeiling = std::int64_t{1} << 40;  // far beyond every limit
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    auto digit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    bool any = false;
    std::int64_t value = 0;
    for (; digit(i); ++i, any = true) value = std::min(kCeiling, value * 10 + (text[i] - '0'));
    value *= 1000;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (std::int64_t place = 100; digit(i); ++i, any = true, place /= 10) value += (text[i] - '0') * place;
    }
    if (!any) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

int FfRwStepOfText(std::string_view text, int currentMs) {
    const auto thousandths = ThousandthsOf(text.substr(0, 15));
    if (!thousandths) return currentMs;
    const std::int64_t seconds = *thousandths / 1000;
    return static_cast<int>(std::clamp<std::int64_t>(seconds, kMinFfRwStepSeconds, kMaxFfRwStepSeconds) * 1000);
}

int MarkStepOfText(std::string_view text, int currentMs) {
    const auto thousandths = ThousandthsOf(text);
    if (!thousandths) return currentMs;
    return static_cast<int>(std::clamp<std::int64_t>(*thousandths, kMinMarkStepMs, kMaxMarkStepMs));
}

}  // namespace earloop
