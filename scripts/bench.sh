#!/usr/bin/env bash
# Builds the timing programs in an optimised build without sanitizers
# (build/bench) and runs one benchmark.
#   scripts/bench.sh [size [path]]   the load benchmark; size with K, M or G; default 1G
#                                    (the 1G run needs about 2 GiB of free memory and
#                                    1 GiB in the temporary folder)
#   scripts/bench.sh render          earloop-cli render (also --full-quality) against
#                                    soundstretch and rubberband on 60 s of music, and
#                                    the time stretch alone; installs Debian's soundstretch and
#                                    rubberband-cli when they are missing
#   scripts/bench.sh decode          decoding 5 minutes of music as a 320 kbit/s MP3 and as
#                                    FLAC against ffmpeg -f s16le, and the peak memory of the
#                                    MP3's load; installs Debian's ffmpeg when it is missing
#   scripts/bench.sh mixer [seconds] the audio callback's work per period, as a share
#                                    of the period, with stream voices at the highest rate
#   scripts/bench.sh analysis [ticks] one analysis tick at 2048 points as a share of the
#                                    100 ms tick period, and our FFT against FFTW's; installs
#                                    Debian's libfftw3-dev when pkg-config cannot find fftw3
#   scripts/bench.sh soak [seconds [jack]]
#                                    repeat play at 37 % and +5 with the Note box analysing, for
#                                    an hour or the seconds given, through the real sound output:
#                                    the worst drift of the shown position from the played one,
#                                    the resident memory after the first minute and after it, the
#                                    underruns; with "jack", under a JACK dummy server (installs
#                                    Debian's jackd2 when jackd is missing)
set -euo pipefail
cd "$(dirname "$0")/.."

# Installs Debian packages that are missing.
apt_install() {
  echo "Installing: $*"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "$@" >/dev/null
}

# Before configuring, so that the build finds FFTW.
if [ "${1:-}" = analysis ] && ! pkg-config --exists fftw3 2>/dev/null; then
  apt_install libfftw3-dev
fi
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DEARLOOP_SANITIZE=OFF -DEARLOOP_TESTS=OFF >/dev/null

if [ "${1:-}" = soak ]; then
  seconds=${2:-3600}
  cmake --build build/bench --target earloop_soak_bench
  if [ "${3:-}" = jack ]; then
    command -v jackd >/dev/null || apt_install jackd2
    jackd --no-realtime -d dummy -r 44100 -p 1024 >/dev/null 2>&1 &
    jack_pid=$!
    trap 'kill "$jack_pid" 2>/dev/null || true' EXIT
    sleep 2
  fi
  build/bench/bin/earloop_soak_bench "$seconds"
  exit
fi

if [ "${1:-}" = mixer ]; then
  shift
  cmake --build build/bench --target earloop_mixer_bench
  exec build/bench/bin/earloop_mixer_bench "$@"
fi

if [ "${1:-}" = decode ]; then
  command -v ffmpeg >/dev/null || apt_install ffmpeg
  cmake --build build/bench --target earloop_decode_bench earloop_music_wav >/dev/null
  work=$(mktemp -d "${TMPDIR:-/tmp}/earloop_decode_bench_XXXXXX")
  trap 'rm -rf "$work"' EXIT
  build/bench/bin/earloop_music_wav "$work/music.wav" 300
  ffmpeg -nostdin -loglevel error -i "$work/music.wav" -c:a libmp3lame -b:a 320k "$work/music.mp3"
  ffmpeg -nostdin -loglevel error -i "$work/music.wav" -c:a flac "$work/music.flac"
  build/bench/bin/earloop_decode_bench "$work/music.mp3"
  build/bench/bin/earloop_decode_bench "$work/music.flac"
  exit 0
fi

if [ "${1:-}" = analysis ]; then
  shift
  cmake --build build/bench --target earloop_analysis_bench
  exec build/bench/bin/earloop_analysis_bench "$@"
fi

if [ "${1:-}" != render ]; then
  cmake --build build/bench --target earloop_load_bench
  exec build/bench/bin/earloop_load_bench "$@"
fi

missing=()
command -v soundstretch >/dev/null || missing+=(soundstretch)
command -v rubberband >/dev/null || missing+=(rubberband-cli)
if [ ${#missing[@]} -gt 0 ]; then
  apt_install "${missing[@]}"
fi

cmake --build build/bench --target earloop-cli earloop_music_wav earloop_stretch_bench >/dev/null
bin=build/bench/bin
work=$(mktemp -d "${TMPDIR:-/tmp}/earloop_render_bench_XXXXXX")
trap 'rm -rf "$work"' EXIT
seconds=60
in="$work/music.wav"
"$bin/earloop_music_wav" "$in" "$seconds"

# The best wall-clock time of five runs of a command, in seconds.
best_of_5() {
  local best="" start end
  for _ in 1 2 3 4 5; do
    start=$(date +%s.%N)
    if ! "$@" >/dev/null 2>"$work/error"; then
      echo "failed: $*" >&2
      cat "$work/error" >&2
      exit 1
    fi
    end=$(date +%s.%N)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { d = e - s; print ((b == "" || d < b) ? d : b) }')
  done
  echo "$best"
}

out="$work/out.wav"
t_speed_earloop=$(best_of_5 "$bin/earloop-cli" render "$in" "$out" --speed 50)
t_speed_soundstretch=$(best_of_5 soundstretch "$in" "$out" -tempo=-50)
t_speed_rubberband=$(best_of_5 rubberband -t 2 "$in" "$out")
t_shift_earloop=$(best_of_5 "$bin/earloop-cli" render "$in" "$out" --shift 12)
t_shift_soundstretch=$(best_of_5 soundstretch "$in" "$out" -pitch=+12)
t_shift_rubberband=$(best_of_5 rubberband -p 12 "$in" "$out")
t_full_speed=$(best_of_5 "$bin/earloop-cli" render "$in" "$out" --speed 50 --full-quality)
t_full_shift=$(best_of_5 "$bin/earloop-cli" render "$in" "$out" --shift 12 --full-quality)
stretch=$("$bin/earloop_stretch_bench" "$in")

awk -v secs="$seconds" \
    -v se="$t_speed_earloop" -v ss="$t_speed_soundstretch" -v sr="$t_speed_rubberband" \
    -v he="$t_shift_earloop" -v hs="$t_shift_soundstretch" -v hr="$t_shift_rubberband" \
    -v fe="$t_full_speed" -v fh="$t_full_shift" -v stretch="$stretch" 'BEGIN {
  split(stretch, lines, "\n")
  for (i in lines) { split(lines[i], f, " "); out[f[2]] = f[3]; cpu[f[2]] = f[4] }
  slow = 2 * secs   # output seconds at speed 50; the shift keeps the length
  printf "Render of %d s of 44.1 kHz stereo music, file in to file out, best of 5 wall-clock runs\n\n", secs
  printf "%-44s %9s %12s\n", "", "time (s)", "x real time"
  printf "%-44s %9.3f %12.1f\n", "speed 50 %: earloop-cli render --speed 50", se, slow / se
  printf "%-44s %9.3f %12.1f\n", "            soundstretch -tempo=-50", ss, slow / ss
  printf "%-44s %9.3f %12.1f\n", "            rubberband -t 2", sr, slow / sr
  printf "%-44s %9.3f %12.1f\n", "shift +12:  earloop-cli render --shift 12", he, secs / he
  printf "%-44s %9.3f %12.1f\n", "            soundstretch -pitch=+12", hs, secs / hs
  printf "%-44s %9.3f %12.1f\n", "            rubberband -p 12", hr, secs / hr
  printf "%-44s %9.3f %12.1f\n", "full quality: render --speed 50 --full-quality", fe, slow / fe
  printf "%-44s %9.3f %12.1f\n", "              render --shift 12 --full-quality", fh, secs / fh
  printf "\nTime ratios, earloop / other (target: at most 1 against soundstretch)\n"
  printf "  speed 50 %%: earloop/soundstretch %6.3f %s   earloop/rubberband %6.3f\n", se / ss,
         (se <= ss ? "ok" : "OVER"), se / sr
  printf "  shift +12:  earloop/soundstretch %6.3f %s   earloop/rubberband %6.3f\n", he / hs,
         (he <= hs ? "ok" : "OVER"), he / hr
  printf "  full quality, speed 50 %%: earloop/soundstretch %6.3f %s\n", fe / ss, (fe <= ss ? "ok" : "OVER")
  printf "  full quality, shift +12:  earloop/soundstretch %6.3f %s\n", fh / hs, (fh <= hs ? "ok" : "OVER")
  printf "\nThe time stretch alone, in process (earloop_stretch_bench, best of 5 CPU times), against\n"
  printf "soundstretch end to end, in seconds of output per second (target: at least 3 times)\n"
  r1 = out["speed50"] / cpu["speed50"]; s1 = slow / ss
  r2 = out["shift12"] / cpu["shift12"]; s2 = secs / hs
  printf "  speed 50 %% at 11025 Hz: %8.1f s/s (%.1f s in %.4f s)   soundstretch %6.1f s/s   ratio %6.1f %s\n",
         r1, out["speed50"], cpu["speed50"], s1, r1 / s1, (r1 / s1 >= 3 ? "ok" : "UNDER")
  printf "  shift +12 at 22050 Hz:  %8.1f s/s (%.1f s in %.4f s)   soundstretch %6.1f s/s   ratio %6.1f %s\n",
         r2, out["shift12"], cpu["shift12"], s2, r2 / s2, (r2 / s2 >= 3 ? "ok" : "UNDER")
}'
