#!/bin/sh
# The page commands hand over to quillet-pages beside the program: it serves the page in the same
# process; without it they fail with a clear message. The command itself does not link the HTTP
# and TLS libraries (only the page server loads them).
set -u
quillet="$1"
sample="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

libs=$(ldd "$quillet") || fail "ldd failed on $quillet"
for lib in libcpp-httplib libssl; do
    echo "$libs" | grep -q "$lib" && fail "quillet loads $lib at start"
done
ldd "$(dirname "$quillet")/quillet-pages" | grep -q libcpp-httplib ||
    fail "quillet-pages does not link the HTTP library"

"$quillet" convert -q --seed 1 -o "$work/sample.swf" "$sample" >/dev/null ||
    fail "convert exited $?"

# Served: the address comes from the same process, now running quillet-pages.
"$quillet" view --no-browser "$work/sample.swf" > "$work/out" 2> "$work/err" &
pid=$!
tries=0
until grep -q "^Quillet's page: http://127.0.0.1:[0-9]*/[0-9a-f]*/viewer$" "$work/out"; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { kill "$pid"; fail "no page address: $(cat "$work/out" "$work/err")"; }
    sleep 0.1
done
[ "$(basename "$(readlink "/proc/$pid/exe")")" = quillet-pages ] ||
    { kill "$pid"; fail "the page is not served by quillet-pages"; }
kill "$pid"
wait "$pid" 2>/dev/null

# Without the page server beside it: exit 1 and a message naming it.
mkdir "$work/alone"
cp "$quillet" "$work/alone/quillet"
"$work/alone/quillet" view --no-browser "$work/sample.swf" > "$work/out" 2> "$work/err"
status=$?
[ "$status" = 1 ] || fail "without quillet-pages: exit $status, not 1"
grep -q "cannot start the page server .*quillet-pages" "$work/err" ||
    fail "without quillet-pages: $(cat "$work/err")"
echo "pages helper: ok"
