#!/bin/bash
# Runs every fuzz target of a fuzz build for the given number of seconds, each from its
# seed corpus (made by fuzz/make-seeds.sh when present) plus what it found before.
set -euo pipefail
dir="$1" seconds="${2:-60}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
status=0
for target in "$dir"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  corpus="$dir/corpus/$name"
  mkdir -p "$corpus"
  seeds="$dir/seeds/$name"
  if [ ! -d "$seeds" ] && [ -x "$here/fuzz/make-seeds.sh" ]; then "$here/fuzz/make-seeds.sh" "$dir/seeds"; fi
  mkdir -p "$seeds"
  # Targets' own options: unpack_fuzz gives the unpack an 8 MiB memory limit, so no single
  # allocation may come near 64 MiB; whole packages need longer inputs than the default.
  options=()
  case "$name" in
    unpack_fuzz) options=(-malloc_limit_mb=64 -max_len=65536) ;;
    entry_names_fuzz) options=(-max_len=2048) ;;
  esac
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 "${options[@]}" \
        -artifact_prefix="$dir/$name-" "$corpus" "$seeds" >"$dir/$name.log" 2>&1; then
    echo "fuzz: $name FAILED"; tail -40 "$dir/$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$dir/$name.log" | tail -2
  fi
done
exit $status
