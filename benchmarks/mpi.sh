#!/usr/bin/env bash
# kzr-mpi against kzr on this machine: a portfolio of 2,000 mixed lines, and one 1,000,000-path
# simulation, on 1 and 2 processes. Wall times, best of three runs each. Before timing, the
# answers are checked: the batch's output must equal kzr batch's byte for byte, one process's
# simulation kzr price's to the bit, and two processes' estimate must lie within four standard
# errors of it.
#
#   bash benchmarks/mpi.sh [BUILD]        (BUILD: a Release build folder, build by default)
set -euo pipefail
cd "$(dirname "$0")/.."
bin="${1:-build}/bin"
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
mpi="mpirun -q --oversubscribe"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The portfolio: the demo lines (closed forms, trees, grids, small simulations), heavier grids,
# trees and simulations at moving spots and seeds, a cached grid sequence and a few fixed-income
# lines, cut at 2,000 lines.
portfolio="$work/portfolio.txt"
demo="$(cat tools/kzr/demo/*.txt | grep -E '^(price|vector) ')"
{
  for round in $(seq 0 40); do
    echo "$demo"
    echo "price BSAPO 1 $((90 + round)) 100 0.2 0.05 0.02 --grid 401,201"
    echo "price BINAPO 1 $((90 + round)) 100 0.2 0.05 0.02 --steps 1000"
    echo "price EVERESTEO 3 1 100 0.2,0.3,0.25 1,0.4,0.4,0.4,1,0.4,0.4,0.4,1 0.05 0.01,0.02,0 --paths 50000 --seed $((round + 1))"
    echo "price BSAPO 1 100 100 0.2 0.05 0.02 --mode 0"
    echo "fi YearFraction --date StartDate=2003-11-01 --date EndDate=2004-05-01 --text DayCounter=ActualActualISDA"
  done
} >"$work/lines.txt"
head -n 2000 "$work/lines.txt" >"$portfolio"

best() {  # best wall time of three runs of a command, in seconds
  local fastest=""
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    fastest=$(echo "$start $end ${fastest:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
  done
  echo "$fastest"
}

echo "== agreement"
"$bin/kzr" batch "$portfolio" >"$work/one.out" 2>"$work/one.err" || true
for k in 1 2; do
  $mpi -np $k "$bin/kzr-mpi" batch "$portfolio" >"$work/mpi.out" 2>"$work/mpi.err" || true
  cmp -s "$work/one.out" "$work/mpi.out" && cmp -s "$work/one.err" "$work/mpi.err" ||
    { echo "kzr-mpi batch on $k processes differs from kzr batch"; exit 1; }
done
echo "batch: $(wc -l <"$portfolio") lines, output identical on 1 and 2 processes"

simulation=(price EVERESTEO 5 1 100 0.2,0.25,0.3,0.2,0.22
            1,0.3,0.3,0.3,0.3,0.3,1,0.3,0.3,0.3,0.3,0.3,1,0.3,0.3,0.3,0.3,0.3,1,0.3,0.3,0.3,0.3,0.3,1
            0.05 0,0,0,0,0 --paths 1000000 --seed 42)
single=$("$bin/kzr" "${simulation[@]}")
one=$($mpi -np 1 "$bin/kzr-mpi" "${simulation[@]}")
[ "$single" = "$one" ] || { echo "one process: $one, kzr: $single"; exit 1; }
two=$($mpi -np 2 "$bin/kzr-mpi" "${simulation[@]}" --blocks 32 --stderr)
echo "$single ${two//$'\n'/ }" | awk '{d = $1 - $2; if (d < 0) d = -d;
  printf "simulation: kzr %s, 2 processes %s (standard error %s, %.1f of them apart)\n", $1, $2, $4, d / $4;
  if (d > 4 * $4) exit 1}'

echo "== wall time, best of three (seconds)"
report() {  # name, one-process time, times on 1 and 2 processes
  awk -v name="$1" -v base="$2" -v one="$3" -v two="$4" 'BEGIN {
    printf "%-12s kzr %.3f | kzr-mpi 1 process %.3f | 2 processes %.3f | speed-up %.2f (over kzr %.2f), efficiency %.0f%%\n",
           name, base, one, two, one / two, base / two, 100 * one / two / 2 }'
}
report batch "$(best "$bin/kzr" batch "$portfolio")" \
  "$(best $mpi -np 1 "$bin/kzr-mpi" batch "$portfolio")" \
  "$(best $mpi -np 2 "$bin/kzr-mpi" batch "$portfolio")"
report simulation "$(best "$bin/kzr" "${simulation[@]}")" \
  "$(best $mpi -np 1 "$bin/kzr-mpi" "${simulation[@]}")" \
  "$(best $mpi -np 2 "$bin/kzr-mpi" "${simulation[@]}")"
# The same at ten times the paths, where the start of the processes weighs less.
simulation[${#simulation[@]} - 3]=10000000
report "10x paths" "$(best "$bin/kzr" "${simulation[@]}")" \
  "$(best $mpi -np 1 "$bin/kzr-mpi" "${simulation[@]}")" \
  "$(best $mpi -np 2 "$bin/kzr-mpi" "${simulation[@]}")"
# What starting the processes costs: a closed form, priced once on the first process.
closedform=(price BSECO 1 100 100 0.2 0.05 0.02)
report "start only" "$(best "$bin/kzr" "${closedform[@]}")" \
  "$(best $mpi -np 1 "$bin/kzr-mpi" "${closedform[@]}")" \
  "$(best $mpi -np 2 "$bin/kzr-mpi" "${closedform[@]}")"
mpirun --version | head -n 1
