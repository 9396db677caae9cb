#!/bin/sh
# Runs node's test runner on the given test files from the repository root. Exits 77 (CTest
# counts it as skipped) when the browser or the npm test tools are missing.
repo=$(cd "$(dirname "$0")/../.." && pwd)
skip() {
    echo "SKIP: $1; run scripts/setup.sh to install it"
    exit 77
}
command -v node >/dev/null 2>&1 || skip "node is not installed"
for pkg in playwright-core @ruffle-rs/ruffle swf-parser; do
    [ -f "$repo/node_modules/$pkg/package.json" ] || skip "node_modules/$pkg is missing"
done
[ -x /usr/bin/chromium ] || skip "/usr/bin/chromium is missing"
cd "$repo" || exit 1
exec node --test "$@"
