#pragma once
// `earloop-cli analyse FILE`: the notes and chords the Note box would show at
// regular times through a file, one JSON object per line, by the program's
// own load and analysis.

namespace earloop {

inline constexpr const char* kAnalyseUsage =
    "       earloop-cli analyse FILE [--every MS] [--choice 1|2|3] [--range 2|3|4] [--chord-mode simple|normal] "
    "[--flats] [--notes N] [--reference HZ]\n";

// The subcommand on the arguments after "analyse": 0 done, 1 the file was
// refused, 2 unusable arguments (one line on standard error).
int AnalyseCommand(int argc, char** argv);

}  // namespace earloop
