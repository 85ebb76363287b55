#!/usr/bin/env bash
# Draws the gr_profil output of a profile matrix as a PNG with gnuplot.
#
#   tools/plot_profil.sh PROFILE.gr OUT.png [TITLE]
#   tools/plot_profil.sh -l NX NY OUT.png [TITLE]
#
# The second form first writes the profile of the 5-point Laplacian of an
# NX x NY grid (program profil_laplacien, built into build/ when missing).
# gnuplot (Debian package gnuplot-nox) is installed when missing.
set -euo pipefail

usage() {
  echo "usage: $0 PROFILE.gr OUT.png [TITLE] | $0 -l NX NY OUT.png [TITLE]" >&2
  exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
tmp=""
trap '[ -n "$tmp" ] && rm -rf "$tmp"' EXIT

if [ "${1:-}" = "-l" ]; then
  [ $# -ge 4 ] || usage
  nx=$2 ny=$3 out=$4
  title=${5:-"Profil du laplacien 5 points, grille ${nx}x${ny}"}
  prog="$root/build/profil_laplacien"
  if [ ! -x "$prog" ]; then
    "$root/tools/deps.sh"
    cmake -S "$root" -B "$root/build" >/dev/null
    cmake --build "$root/build" --target profil_laplacien -j2 >/dev/null
  fi
  tmp=$(mktemp -d)
  gr="$tmp/profil.gr"
  "$prog" "$nx" "$ny" "$gr" 2>/dev/null
else
  [ $# -ge 2 ] || usage
  gr=$1 out=$2
  title=${3:-"Profil de $(basename "$gr")"}
  [ -r "$gr" ] || { echo "$0: cannot read $gr" >&2; exit 1; }
fi

if ! command -v gnuplot >/dev/null 2>&1; then
  echo "Installing: gnuplot-nox"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends gnuplot-nox
fi

# Segments are pairs of points separated by blank lines; y points down.
# The data file and title go through gnuplot variables, not the script text.
gnuplot -e "gr='${gr//\'/\'\'}'; out='${out//\'/\'\'}'; titre='${title//\'/\'\'}'" - <<'EOF'
set terminal pngcairo size 800,800 font ",11"
set output out
set title titre
set size ratio -1
set xlabel "colonne"
set ylabel "- ligne"
set grid lc rgb "#dddddd"
unset key
stats gr using 1:2 nooutput
set xrange [STATS_min_x - 1 : STATS_max_x + 1]
set yrange [STATS_min_y - 1 : STATS_max_y + 1]
plot gr using 1:2 with lines lw 1.5 lc rgb "#1f5fa8"
EOF
echo "$out"
