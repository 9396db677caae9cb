#!/bin/sh
# `quillet register` / `quillet unregister` against a data folder of their own: the entry's fields
# and actions, twice = one entry, the desktop database refreshed, other entries left alone.
set -u
quillet="$1"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_DATA_HOME="$home/data"
apps="$XDG_DATA_HOME/applications"
entry="$apps/quillet.desktop"
fail() { echo "FAIL: $*"; exit 1; }

# A stand-in for the desktop database tool notes each refresh.
mkdir -p "$home/bin" "$apps"
printf '#!/bin/sh\necho "$@" >> "%s/refreshed"\n' "$home" > "$home/bin/update-desktop-database"
chmod +x "$home/bin/update-desktop-database"
export PATH="$home/bin:$PATH"
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=other\n' > "$apps/other.desktop"

"$quillet" register >/dev/null || fail "register exited $?"
"$quillet" register >/dev/null || fail "registering again exited $?"
[ "$(ls "$apps" | grep -c quillet)" = 1 ] || fail "twice is not one entry: $(ls -A "$apps")"
[ "$(grep -c . "$home/refreshed")" = 2 ] || fail "the database was not refreshed at each register"
grep -qx "$apps" "$home/refreshed" || fail "refreshed another folder: $(cat "$home/refreshed")"

program=$(readlink -f "$quillet")
expect() { grep -qxF "$1" "$entry" || fail "missing line: $1"; }
expect "Type=Application"
expect "Name=Quillet"
expect "MimeType=application/vnd.openxmlformats-officedocument.presentationml.presentation;application/vnd.ms-powerpoint.presentation.macroEnabled.12;application/vnd.openxmlformats-officedocument.presentationml.slideshow;"
expect "Actions=Convert;Feedback;"
expect "Exec=\"$program\" ui %f"
expect "[Desktop Action Convert]"
expect "Name=Convert..."
expect "[Desktop Action Feedback]"
expect "Name=Feedback..."
expect "Exec=\"$program\" feedback %f"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "the entry does not validate"
fi

"$quillet" unregister >/dev/null || fail "unregister exited $?"
[ -e "$entry" ] && fail "unregister left the entry"
[ -e "$apps/other.desktop" ] || fail "unregister removed another entry"
"$quillet" unregister >/dev/null || fail "unregistering when not registered exited $?"

# An entry of the same name that is not ours is neither replaced nor removed.
printf '[Desktop Entry]\nType=Application\nName=Not ours\nExec=x\n' > "$entry"
"$quillet" register >/dev/null 2>&1 && fail "register replaced an entry not its own"
"$quillet" unregister >/dev/null 2>&1 && fail "unregister removed an entry not its own"
grep -q "Not ours" "$entry" || fail "the foreign entry changed"
echo "register/unregister: all checks passed"
