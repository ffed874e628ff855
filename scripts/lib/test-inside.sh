# The test half of scripts/test, run inside the private network namespace.
set -uo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$top"
source scripts/lib/netns.sh
sl_start_xvfb || exit 1
trap 'kill "$SL_XVFB_PID" 2>/dev/null; for p in $SL_PRESETS_RUN; do [ -d "build/$p/wineprefix" ] && WINEPREFIX="$top/build/$p/wineprefix" wineserver -k 2>/dev/null; done; true' EXIT

failed=0
total_pass=0
total_fail=0
total_skip=0
for p in $SL_PRESETS_RUN; do
  echo "== test $p"
  j=$(nproc)
  ctest --preset "$p" -j"$j" 2>&1 | tee "build/test-$p.log" | grep -E '^[0-9]+% tests passed|tests failed|\*\*\*|Failed|Timeout' 
  rc=${PIPESTATUS[0]}
  [ "$rc" = 0 ] || failed=1
  s=$(grep -E '^[0-9]+% tests passed' "build/test-$p.log" | sed -E 's/.*, ([0-9]+) tests failed out of ([0-9]+)/\1 \2/')
  if [ -n "$s" ]; then
    set -- $s
    total_fail=$((total_fail + $1))
    skipped=$(grep -c '\*\*\*Skipped' "build/test-$p.log")
    total_skip=$((total_skip + skipped))
    total_pass=$((total_pass + $2 - $1 - skipped))
  fi
done

if [ -x scripts/e2e ] && [[ " $SL_PRESETS_RUN " == *" win32 "* || " $SL_PRESETS_RUN " == *" win64 "* ]]; then
  echo "== scenarios"
  # The scenarios run the 32-bit build where this machine can; without it among the presets, the 64-bit one.
  [[ " $SL_PRESETS_RUN " == *" win32 "* ]] || export SL_E2E_PRESET=${SL_E2E_PRESET:-win64}
  SL_IN_NETNS=1 scripts/e2e | tee build/e2e.log
  [ "${PIPESTATUS[0]}" = 0 ] || failed=1
  total_pass=$((total_pass + $(grep -c '^PASS ' build/e2e.log)))
  total_fail=$((total_fail + $(grep -c '^FAIL ' build/e2e.log)))
fi

echo "$total_pass passed, $total_fail failed, $total_skip skipped"
exit $failed
