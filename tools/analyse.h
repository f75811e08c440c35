#pragma once
// `earloop-cli analyse FILE`: the notes and chords the Note box would show at
// regular times through a file, one JSON object per line, by the program's
// own load and analysis.

namespace earloop {

inline constexpr const char* kAnalyseHelp =
    "earloop-cli analyse FILE [--every MS] [--choice 1|2|3] [--range 2|3|4] [--chord-mode simple|normal]\n"
    "                    [--flats] [--notes N] [--reference HZ]\n"
    "    Prints what the Note box shows at every MS of FILE, one JSON object a line.\n"
    "    --every MS         1 to 3600000; default 100\n"
    "    --choice N         the Sampling Time: 1 coarse, 2 normal, 3 precision; default 3\n"
    "    --range N          the octaves analysed: 3 normal, 2 one higher, 4 one lower; default 3\n"
    "    --chord-mode MODE  simple or normal (adds M7, mM7, sus4 and 7sus4); default simple\n"
    "    --flats            spells the black keys as flats (Db) instead of sharps (C#)\n"
    "    --notes N          how many of the strongest notes name the chord, 1 to 15; default 5\n"
    "                       (every note found is still listed)\n"
    "    --reference HZ     the pitch of A, 430 to 460; default 440\n"
    "    Fields: \"ms\"; as the Note box shows them: \"notes\" ([MIDI note, 0 centred or 1 off centre],\n"
    "    strongest first), \"tune\" (0 to 100), \"bass\" and \"chord\" (its texts, padding included);\n"
    "    plain: \"note_names\" (C4 is MIDI 60) and \"off_centre\" (tenths of a semitone from the middle\n"
    "    of the note's band, -5 to 4; -1 to 1 count as centred) in the order of \"notes\", \"bass_note\",\n"
    "    and \"chords\" (each name once: \"C6 = Am7\" gives \"C6\" and \"Am7\").\n";

// The subcommand on the arguments after "analyse": 0 done, 1 the file was
// refused, 2 unusable arguments (one line on standard error).
int AnalyseCommand(int argc, char** argv);

}  // namespace earloop
