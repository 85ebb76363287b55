#!/usr/bin/env bash
# Renumbering on Gmsh meshes of the square with a hole and the L-shaped
# domain at about 2,000, 20,000 and 200,000 vertices: profile and largest
# half-bandwidth in Gmsh's numbering, after RCM and after Sloan, and the
# renumbering times (bench/renum_bench on each file), as a Markdown table.
#
#   bench/renum_gmsh.sh [BUILD_DIR [MESH_DIR]]
#
# BUILD_DIR (default build) must hold bench/renum_bench (configure with
# -DUTILS_BUILD_BENCHMARKS=ON); the meshes are made in MESH_DIR (default
# BUILD_DIR/gmsh_bench) by examples/gmsh/make.sh -b when missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
meshes=$(realpath -m "${2:-$build/gmsh_bench}")
bench="$build/bench/renum_bench"
[ -x "$bench" ] || { echo "$0: no $bench (build the target renum_bench)" >&2; exit 1; }
[ -f "$meshes/carre_trou_200k.msh" ] || bash "$root/examples/gmsh/make.sh" -b "$meshes"

results=()
for g in carre_trou forme_l; do
  for s in 2k 20k 200k; do
    out="$meshes/${g}_$s.json"
    RENUM_BENCH_MESH="$meshes/${g}_$s.msh" "$bench" --benchmark_filter=File \
      --benchmark_format=json --benchmark_min_time=0.5 >"$out" 2>/dev/null
    results+=("$out")
  done
done
/usr/bin/python3 - "${results[@]}" <<'PY'
import json, os, sys
print("| mesh | vertices | Gmsh: profile / half-bandwidth | RCM | Sloan | RCM time | Sloan time |")
print("|---|---|---|---|---|---|---|")
for path in sys.argv[1:]:
    runs = {b["name"]: b for b in json.load(open(path))["benchmarks"]}
    r, s = runs["BM_RcmFile"], runs["BM_SloanFile"]
    pb = lambda b, w: "%d / %d" % (b["profil_" + w], b["bande_" + w])
    ms = lambda b: "%.2f ms" % (b["cpu_time"] if b["time_unit"] == "ms" else b["cpu_time"] / 1e6)
    flag = "" if s["profil_apres"] <= r["profil_apres"] else " (Sloan > RCM)"
    print("| %s | %d | %s | %s | %s%s | %s | %s |" % (
        os.path.basename(path)[:-5], r["sommets"], pb(r, "avant"), pb(r, "apres"),
        pb(s, "apres"), flag, ms(r), ms(s)))
PY
