#!/usr/bin/env bash
# Times lngtool as a whole process on the generated 9,999-message database, beside msgfmt
# compiling the same 9,999 messages from a .po file (when msgfmt is installed).
# Usage: bench/lngtool_vs_msgfmt.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
bin="$build/bin"
runs=20
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$bin/make_bench_database" "$work" "$work/Spanish.po"

# Mean wall time of a command over $runs runs, in milliseconds.
mean_ms() {
    local start end
    "$@" >/dev/null 2>&1 # warm up
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do "$@" >/dev/null 2>&1; done
    end=$(date +%s%N)
    awk -v ns="$((end - start))" -v runs="$runs" 'BEGIN { printf "%.1f", ns / runs / 1000000 }'
}

build_one=$(mean_ms "$bin/lngtool" build Spanish --folder "$work")
build_all=$(mean_ms "$bin/lngtool" build --all --folder "$work")
stats=$(mean_ms "$bin/lngtool" stats --folder "$work")
check_all=$(mean_ms "$bin/lngtool" check --all --folder "$work")
printf '%-34s %8s ms\n' "lngtool build Spanish" "$build_one"
printf '%-34s %8s ms   (goal <= 150)\n' "lngtool build --all" "$build_all"
printf '%-34s %8s ms   (goal <= 50)\n' "lngtool stats" "$stats"
printf '%-34s %8s ms   (goal <= 300)\n' "lngtool check --all" "$check_all"
if command -v msgfmt >/dev/null 2>&1; then
    msgfmt_ms=$(mean_ms msgfmt -o "$work/Spanish.mo" "$work/Spanish.po")
    export_po=$(mean_ms "$bin/lngtool" export Spanish --format po --output "$work/export.po" --folder "$work")
    msgfmt_ours=$(mean_ms msgfmt -o "$work/export.mo" "$work/export.po")
    printf '%-34s %8s ms\n' "lngtool export --format po" "$export_po"
    printf '%-34s %8s ms   (goal: export no slower)\n' "msgfmt of that file" "$msgfmt_ours"
    printf '%-34s %8s ms\n' "msgfmt Spanish.po (9,999 messages)" "$msgfmt_ms"
    printf '%-34s %8s      (goal <= 0.5)\n' "ratio lngtool / msgfmt" "$(awk -v a="$build_one" -v b="$msgfmt_ms" 'BEGIN { printf "%.2f", a / b }')"
else
    echo "msgfmt is not installed (Debian package gettext): no ratio"
fi
