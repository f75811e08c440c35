#pragma once
// The Setting dialog's layout, its lists and how its typed texts become
// settings; what its controls do is the application's (app/setting_commands.cpp).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/setting_dialog_port.h"

namespace earloop {

namespace SettingId {
// The dialog's buttons.
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Default = 1025;
// "Play mode".
inline constexpr int FfRwList = 1004;
inline constexpr int KeepStepList = 1042;
inline constexpr int Automatic = 1005;
inline constexpr int SingleMode = 1028;
inline constexpr int DoubleMode = 1029;
inline constexpr int MarkStepList = 1043;
inline constexpr int VocalCanceller = 1017;
// "MIDI".
inline constexpr int InstrumentList = 1023;
inline constexpr int DeviceList = 1024;
inline constexpr int CalibrationDown = 1093;
inline constexpr int CalibrationUp = 1094;
inline constexpr int CalibrationValue = 1096;
// "Wave File Info.": the two captions, the file's path and the six format lines in order.
inline constexpr int FileNameLabel = 1014;
inline constexpr int FormatLabel = 1016;
inline constexpr int FileName = 1033;
inline constexpr int FormatLines[] = {1011, 1009, 1008, 1007, 1028, 1029};
// "Wave In mode".
inline constexpr int Light = 1013;
inline constexpr int Medium = 1020;
inline constexpr int Heavy = 1021;
inline constexpr int RemoveDcOffset = 1071;
// "Note Box".
inline constexpr int RightOfMainWindow = 1002;
inline constexpr int TopOfMainWindow = 1003;
inline constexpr int SimpleMode = 1011;
inline constexpr int NormalMode = 1099;
}  // namespace SettingId

const SettingDialogSpec& SettingDialogLayout();

// The lists of the "Play mode" page.
std::vector<std::string> FfRwStepEntries();
std::vector<std::string> KeepStepEntries();
std::vector<std::string> MarkStepEntries();

// The edit fields of the lists show the steps in seconds: the FF/RW step in
// whole seconds, the mark step to a tenth.
std::string FfRwStepText(int ffRwStepMs);
std::string MarkStepText(int markPointStepMs);

// Typed steps: a number, as the lists offer them, within these limits. The
// lists run from 1 to 60 s and from 0.2 to 2 s; a typed step may go further
// than the lists but stays a step: never 0 or backwards (a FF that does not
// move, a mark that cannot be moved), a mark step never below what its field
// can show again, a FF/RW jump never beyond ten minutes.
inline constexpr int kMinFfRwStepSeconds = 1, kMaxFfRwStepSeconds = 600;
inline constexpr int kMinMarkStepMs = 100, kMaxMarkStepMs = 60000;
// The FF/RW field: its first 15 characters, the whole seconds of the number
// they begin with, within the limits, in milliseconds. A text that begins
// with no number keeps `currentMs`.
int FfRwStepOfText(std::string_view text, int currentMs);
// The mark-step field: the number of seconds it begins with, in whole
// milliseconds (truncated), within the limits; no number keeps `currentMs`.
int MarkStepOfText(std::string_view text, int currentMs);

// The clipping level of each radio of "Wave In mode", Light to Heavy.
struct ClipChoice {
    int id;
    int level;
};
inline constexpr ClipChoice kClipChoices[] = {
    {SettingId::Light, 20}, {SettingId::Medium, 200}, {SettingId::Heavy, 500}};
inline constexpr int kDefaultClipLevel = 200;

}  // namespace earloop
