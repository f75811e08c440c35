#pragma once
// Numeric identifiers of the main window's child controls. The ids of buttons
// and radios double as the command ids that the menu, the accelerator keys and
// the program itself send to the main window.

namespace earloop::ControlId {

inline constexpr int Play = 40010;
inline constexpr int Pause = 40011;
inline constexpr int Keep = 40012;
inline constexpr int FastForward = 40013;
inline constexpr int Rewind = 40014;
inline constexpr int Stop = 40015;
inline constexpr int PitchAdjustUp = 40016;
inline constexpr int PitchAdjustDown = 40017;
inline constexpr int LiveInput = 40018;
inline constexpr int MarkSet = 40019;
inline constexpr int MarkClear = 40020;
inline constexpr int SpeedTo100 = 40021;
inline constexpr int SpeedTo1 = 40022;
inline constexpr int VocalCanceller = 40023;
inline constexpr int RangeDown = 40024;
inline constexpr int RangeUp = 40025;
inline constexpr int ShiftDown = 40026;
inline constexpr int ShiftReset = 40027;
inline constexpr int ShiftUp = 40028;
inline constexpr int ChooseCoarse = 40029;
inline constexpr int ChooseNormal = 40030;
inline constexpr int ChoosePrecision = 40031;
inline constexpr int SpeedUp10 = 40032;
inline constexpr int SpeedDown10 = 40033;
inline constexpr int MarkLater = 40034;
inline constexpr int MarkEarlier = 40035;
inline constexpr int PitchAdjustReset = 40037;
inline constexpr int Help = 40038;
inline constexpr int ThisApplication = 40040;
inline constexpr int RepeatSet = 40041;
inline constexpr int RepeatLater = 40042;
inline constexpr int RepeatEarlier = 40043;
inline constexpr int RepeatClear = 40044;
inline constexpr int DisplayNotes = 40045;
inline constexpr int OpenNoteBox = 40046;
inline constexpr int CloseNoteBox = 40047;
inline constexpr int Record = 40002;
inline constexpr int PlayVolumeControl = 40004;
inline constexpr int RecordVolumeControl = 40005;

inline constexpr int Exit = 100;
inline constexpr int About = 101;
inline constexpr int Open = 102;
inline constexpr int Setting = 103;
inline constexpr int Export = 105;
inline constexpr int FullQuality = 107;  // Options > Full quality, a check item

inline constexpr int SamplingCoarse = 31;
inline constexpr int SamplingNormal = 32;
inline constexpr int SamplingPrecision = 33;

inline constexpr int MarkGroup = 20;
inline constexpr int PositionSlider = 24;
inline constexpr int SamplingGroup = 30;
inline constexpr int VolumeGroupId = 60;  // also the slow-rate frame
inline constexpr int WaveVolumeSlider = 61;
inline constexpr int MidiVolumeSlider = 62;
inline constexpr int SpeedSlider = 63;
inline constexpr int WaveLabel = 64;
inline constexpr int MidiLabel = 65;
inline constexpr int SpeedScale = 66;
inline constexpr int PitchAdjustGroup = 70;
inline constexpr int CalibrationReadout = 73;
inline constexpr int PitchAdjustLabel = 74;
inline constexpr int PitchShiftGroup = 80;
inline constexpr int ShiftReadout = 84;
inline constexpr int ChannelGroup = 90;
inline constexpr int LeftLabel = 92;
inline constexpr int RightLabel = 93;
inline constexpr int StatusBar = 110;

}  // namespace earloop::ControlId
