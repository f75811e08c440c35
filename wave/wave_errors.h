#pragma once
// The error codes of the wave readers and the messages the program shows for
// them (in a box captioned "Error <code>").

namespace earloop::WaveError {

inline constexpr int OpenDialogCancelled = 100;  // no message is shown
inline constexpr int HeaderOpen = 101;
inline constexpr int HeaderRead = 102;
inline constexpr int NoRiff = 103;
inline constexpr int NoWave = 104;
inline constexpr int NoFormatChunk = 105;
inline constexpr int ShortFormatChunk = 106;
inline constexpr int NotPcm = 107;
inline constexpr int Not16Bit = 108;
inline constexpr int RateTooLow = 109;
inline constexpr int HeaderNoData = 110;
inline constexpr int LoadOpen = 111;
inline constexpr int LoadSize = 112;
inline constexpr int NoMemory = 113;
inline constexpr int ReadWhole = 114;
inline constexpr int ReadFirstBlock = 115;
inline constexpr int ReadBlock = 116;
inline constexpr int ReadRest = 117;
inline constexpr int NoMemoryShrinking = 118;
inline constexpr int LoadNoData = 119;
// Refusals of files the rest of the program cannot take.
inline constexpr int FileTooLarge = 121;      // 4 GiB or more: sizes are 32-bit in the format
inline constexpr int BadChannelLayout = 122;  // not mono or stereo 16-bit frames
inline constexpr int WaveTooShort = 123;      // shorter than the longest analysis block
// Files that are not WAV files, decoded: a known format that holds no sound,
// sound that cannot be decoded, too little of it, or more than the 32-bit
// sizes hold.
inline constexpr int NoAudioStream = 130;
inline constexpr int Undecodable = 131;
inline constexpr int DecodedTooShort = 132;
inline constexpr int DecodedTooLong = 133;
inline constexpr int DecodeNoMemory = 134;
inline constexpr int TakeOpen = 40;
inline constexpr int TakeSize = 41;
inline constexpr int TakeNoMemory = 42;
inline constexpr int MoreThanOneDropped = 800;

inline constexpr const char* kCannotOpen = "ファイルを開くことができません";
inline constexpr const char* kCannotRead = "ファイルを読み込めません";
inline constexpr const char* kNotWave = "WAVEファイルではありません";
inline constexpr const char* kNoFormat = "WAVEフォーマット情報が読めません";
inline constexpr const char* kNotPcm = "無圧縮リニアPCMではありません";
inline constexpr const char* kOnly16Bit = "16bit/sampleのWAVEファイルのみ対応しています";
inline constexpr const char* kRateTooLow = "サンプル周波数11.025kHz未満には対応していません";
inline constexpr const char* kNoData = "WAVEデータが見つかりません";
inline constexpr const char* kNoMemory = "メモリー不足です";
inline constexpr const char* kTooLarge = "4GB以上のWAVEファイルには対応していません";
inline constexpr const char* kBadChannels = "モノラルまたはステレオの16bit PCMのみ対応しています";
inline constexpr const char* kTooShort = "WAVEデータが短すぎます(0.2秒以上必要です)";
inline constexpr const char* kOneFileOnly = "1個のファイルを指定してください";
inline constexpr const char* kNoAudioStream = "音声が入っていないファイルです";
inline constexpr const char* kUndecodable = "音声データをデコードできません";
inline constexpr const char* kDecodedTooShort = "音声データが短すぎます(0.2秒以上必要です)";
inline constexpr const char* kDecodedTooLong = "デコードしたデータが4GBを超えるファイルには対応していません";
inline constexpr const char* kLoadInterrupted = "中断までデータを読み込みました";

}  // namespace earloop::WaveError
