#!/bin/sh
# Times brennic-cli against ImageMagick's convert on one bitmap, whole process each, the two
# run alternately so that both see the same machine; prints medians, their ratio and max RSS.
#   cli-vs-convert.sh [-n RUNS] BRENNIC_CLI INPUT [CLI_ARGS...]
# CONVERT names the convert to run (default /usr/bin/convert). Outputs go to a temporary folder
# under TMPDIR, so both writers work on the same file system.
set -eu
runs=11
if [ "${1:-}" = "-n" ]; then
  runs=$2
  shift 2
fi
if [ $# -lt 2 ]; then
  echo "usage: $0 [-n RUNS] BRENNIC_CLI INPUT [CLI_ARGS...]" >&2
  exit 2
fi
cli=$1
in=$2
shift 2
convert=${CONVERT:-/usr/bin/convert}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Appends "microseconds maxRSS-KiB" of one run of the command to the file named first.
run() {
  log=$1
  shift
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$dir/rss" "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(cat "$dir/rss")" >>"$log"
}

i=0
while [ "$i" -le "$runs" ]; do
  # Round 0 warms the page cache and is not counted.
  [ "$i" -eq 0 ] && suffix=.warm || suffix=
  run "$dir/cli$suffix" "$cli" "$in" "$dir/cli.bmp" "$@"
  run "$dir/im$suffix" "$convert" "$in" -type truecolor "BMP3:$dir/im.bmp"
  i=$((i + 1))
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
cli_us=$(cut -d' ' -f1 "$dir/cli" | median)
im_us=$(cut -d' ' -f1 "$dir/im" | median)
cli_rss=$(cut -d' ' -f2 "$dir/cli" | sort -n | tail -1)
im_rss=$(cut -d' ' -f2 "$dir/im" | sort -n | tail -1)
awk -v c="$cli_us" -v m="$im_us" -v cr="$cli_rss" -v mr="$im_rss" -v n="$runs" 'BEGIN {
  printf "runs %d  brennic-cli %.1f ms  convert %.1f ms  ratio %.2f\n", n, c / 1000, m / 1000, c / m
  printf "max RSS  brennic-cli %.1f MB  convert %.1f MB\n", cr / 1024, mr / 1024
}'
