#!/usr/bin/env bash
# Installs everything Quillet needs to build and test on Debian 12: the packages listed in
# scripts/debian-packages.txt, Node.js when there is none, and the npm test tools (npm ci).
# Safe to run again: it only does what is missing, and takes seconds when nothing is.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
list="$repo/scripts/debian-packages.txt"

say() { printf 'setup: %s\n' "$*"; }
die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

# Root runs apt directly; anyone else goes through sudo.
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || die "not root and sudo is missing; run this script as root"
    sudo_cmd=(sudo)
fi

log="$(mktemp "${TMPDIR:-/tmp}/quillet-setup.XXXXXX")"
trap 'rm -f "$log"' EXIT

# Runs a command quietly; on failure shows the end of its output.
quiet() {
    if ! "$@" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        die "failed: $*"
    fi
}

# --- Debian packages ---------------------------------------------------------------------------
[[ -r $list ]] || die "cannot read $list"
wanted=()
while IFS= read -r line || [[ -n $line ]]; do
    line="${line%%#*}"
    for word in $line; do wanted+=("$word"); done
done <"$list"
# Node.js comes from Debian only when the machine has none of its own.
if ! command -v node >/dev/null; then
    wanted+=(nodejs npm)
fi

declare -A present=()
if ((${#wanted[@]})); then
    while IFS=$'\t' read -r name status; do
        [[ $status == ii* ]] && present["${name%%:*}"]=1
    done < <(dpkg-query -W -f='${Package}\t${db:Status-Abbrev}\n' "${wanted[@]}" 2>/dev/null || true)
fi
missing=()
for pkg in "${wanted[@]}"; do
    [[ -n ${present[${pkg%%:*}]:-} ]] || missing+=("$pkg")
done

if ((${#missing[@]})); then
    say "installing Debian packages: ${missing[*]}"
    apt_env=(env DEBIAN_FRONTEND=noninteractive)
    apt_opts=(-o DPkg::Lock::Timeout=300 -o Dpkg::Use-Pty=0)
    quiet "${sudo_cmd[@]}" "${apt_env[@]}" apt-get "${apt_opts[@]}" update
    quiet "${sudo_cmd[@]}" "${apt_env[@]}" apt-get "${apt_opts[@]}" install -y \
        --no-install-recommends "${missing[@]}"
fi

command -v node >/dev/null || die "node is still missing after installing nodejs"
command -v npm >/dev/null || die "npm is missing (node is installed without it)"

# --- npm test tools ----------------------------------------------------------------------------
# node_modules is current when the stamp holds the hash of the lock file and manifest it was
# installed from, and of the node that installed it.
if [[ -f $repo/package-lock.json ]]; then
    stamp="$repo/node_modules/.quillet-stamp"
    want_stamp="$(cat "$repo/package.json" "$repo/package-lock.json" <(node --version) |
        sha256sum | cut -d' ' -f1)"
    # Every package of the lock file must also still be there.
    complete="$(cd "$repo" && node -e '
        const fs = require("fs");
        const lock = JSON.parse(fs.readFileSync("package-lock.json", "utf8"));
        const missing = Object.keys(lock.packages || {})
            .filter((p) => p.startsWith("node_modules/") && !fs.existsSync(p + "/package.json"));
        process.stdout.write(missing.length ? "no" : "yes");' 2>/dev/null || echo no)"
    if [[ $complete != yes || ! -f $stamp || "$(cat "$stamp")" != "$want_stamp" ]]; then
        say "installing npm packages (npm ci)"
        (cd "$repo" && quiet npm ci --no-audit --no-fund --loglevel=error)
        printf '%s\n' "$want_stamp" >"$stamp"
    fi
fi

say "ready"
