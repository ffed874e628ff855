# Sourced by scripts/test. sl_print_sizes PRESET...: prints the size of the shipped programs of each Windows build
# (the program, and the replacer where the tree has one) against their budgets; returns 1 when one is over.
sl_print_sizes() {
  local p f budget name size over=0
  for p in "$@"; do
    case $p in win32|win64) ;; *) continue ;; esac
    for f in "build/$p/app/skyloom.exe" build/"$p"/replacer/*.exe; do
      [ -f "$f" ] || continue
      name=$(basename "$f")
      # The budgets hold for the primary 32-bit build; the 64-bit one is shown for comparison.
      case $name in skyloom.exe) budget=$((1536 * 1024)) ;; *) budget=$((64 * 1024)) ;; esac
      size=$(stat -c %s "$f")
      if [ "$p" = win32 ] && [ "$size" -gt "$budget" ]; then
        echo "size $p $name: $size bytes, over its budget of $budget bytes"
        over=1
      else
        echo "size $p $name: $size bytes (budget for win32: $budget bytes)"
      fi
    done
  done
  return $over
}
