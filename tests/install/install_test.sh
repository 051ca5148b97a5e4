#!/usr/bin/env bash
# Builds the Debian package from the build tree, installs it into a scratch root with dpkg (never
# into the system), and checks what it holds: the files in their places, entries that start the
# installed agent, and an agent that runs from there. Removal must leave nothing behind.
# Usage: install_test.sh <build dir> <cmake>
set -euo pipefail
build=$1
cpack=$(dirname "$2")/cpack
for tool in dpkg dpkg-deb dpkg-shlibdeps "$cpack"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not available"; exit 77; }
done
scratch=$(mktemp -d)
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A folder of our own, so a parallel `./dev package` never sees a half-written package.
(cd "$build" && "$cpack" -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/package/corvane-antivirus-helper_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, got: ${debs[*]}"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = corvane-antivirus-helper ] || fail "package name"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6svg6 libqt6dbus6 libplist3 fonts-inter qt6-qpa-plugins; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

agent=usr/libexec/corvane-antivirus/helper
unit=usr/lib/systemd/user/corvane-antivirus-helper.service
autostart=etc/xdg/autostart/corvane-antivirus-helper.desktop
icon=usr/share/icons/hicolor/scalable/apps/corvane-antivirus-helper.svg
docs=usr/share/doc/corvane-antivirus-helper
expected=$(printf '%s\n' "$agent" "$unit" "$autostart" "$icon" "$docs/copyright" \
    "$docs/changelog.Debian.gz" | sort)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort)
[ "$files" = "$expected" ] || fail "package files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$files"))"

# A real dpkg install into a scratch root, with its own database.
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
: >"$root/var/lib/dpkg/status"
dpkg_root() {
    dpkg --root="$root" --log="$root/var/log/dpkg.log" --force-not-root --force-depends \
        --force-script-chrootless "$@" >"$scratch/dpkg.log" 2>&1 ||
        { cat "$scratch/dpkg.log" >&2; fail "dpkg $*"; }
}
dpkg_root -i "$deb"
for file in $expected; do [ -f "$root/$file" ] || fail "not installed: /$file"; done
[ -x "$root/$agent" ] || fail "the agent is not executable"
file "$root/$agent" 2>/dev/null | grep -q 'not stripped' && fail "the agent is not stripped"

# Both ways of starting at login run the installed agent.
grep -qx "Exec=/$agent" "$root/$autostart" || fail "autostart Exec: $(grep ^Exec "$root/$autostart")"
grep -qx "NoDisplay=true" "$root/$autostart" || fail "the autostart entry is shown in menus"
grep -qx "ExecStart=/$agent" "$root/$unit" || fail "unit ExecStart: $(grep ^Exec "$root/$unit")"
grep -qx "Restart=always" "$root/$unit" || fail "the unit does not bring the agent back"
grep -qx "PartOf=graphical-session.target" "$root/$unit" || fail "the unit outlives the session"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/$autostart" || fail "desktop-file-validate"
else
    echo "note: desktop-file-validate is not installed; entry not validated"
fi
if command -v systemd-analyze >/dev/null; then
    # Checked as it would run: the executable path must resolve, so point it into the root.
    sed "s|^ExecStart=/|ExecStart=$root/|" "$root/$unit" >"$scratch/corvane-antivirus-helper.service"
    systemd-analyze verify --man=no "$scratch/corvane-antivirus-helper.service" \
        >"$scratch/verify.log" 2>&1 || { cat "$scratch/verify.log" >&2; fail "systemd-analyze verify"; }
    if grep -v -e 'graphical-session.target' "$scratch/verify.log" | grep -q .; then
        cat "$scratch/verify.log" >&2
        fail "systemd-analyze verify complained"
    fi
else
    echo "note: systemd-analyze is not installed; unit not verified"
fi

# The installed agent runs headless against a scratch home and says once a tick that USB
# protection is off (there are no settings yet).
home=$scratch/home
mkdir -p "$home"
HOME=$home QT_QPA_PLATFORM=offscreen "$root/$agent" >"$scratch/out" 2>"$scratch/err" &
pid=$!
skips() { grep -c '^USB Protection is OFF, skipping USB info load.$' "$scratch/out" || true; }
# Two ticks take 2 s; a loaded machine may start the agent late, so allow it some slack.
for _ in $(seq 50); do [ "$(skips)" -ge 2 ] && break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null || { cat "$scratch/err" >&2; fail "the installed agent exited"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
[ "$(skips)" -ge 2 ] || fail "expected a skip line each second, got: $(cat "$scratch/out")"
grep -v '^USB Protection is OFF, skipping USB info load.$' "$scratch/out" &&
    fail "unexpected output from the installed agent"

dpkg_root -r corvane-antivirus-helper
for file in $expected; do [ ! -e "$root/$file" ] || fail "left behind after removal: /$file"; done
echo "install test: ok ($(basename "$deb"), $(wc -c <"$deb") bytes)"
