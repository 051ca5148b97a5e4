#!/usr/bin/env bash
# Builds the Debian package from the build tree and installs it with dpkg into a scratch root,
# never into the system: it holds exactly the listed files, they land in place, both login
# entries start the installed agent, which runs, and removal leaves nothing behind.
# Usage: install_test.sh <build dir> <cmake>
set -euo pipefail
cpack=$(dirname "$2")/cpack
for tool in dpkg dpkg-deb dpkg-shlibdeps "$cpack"; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
quiet() { "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log" >&2; fail "$*"; }; }

# A folder of our own, so a parallel `./dev package` never sees a half-written package.
quiet sh -c "cd '$1' && '$cpack' -G DEB -B '$scratch/package'"
deb=$(echo "$scratch"/package/corvane-antivirus-helper_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6svg6 libqt6dbus6 libplist3 fonts-inter qt6-qpa-plugins; do
    grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
agent=usr/libexec/corvane-antivirus/helper
unit=usr/lib/systemd/user/corvane-antivirus-helper.service
autostart=etc/xdg/autostart/corvane-antivirus-helper.desktop
docs=usr/share/doc/corvane-antivirus-helper
expected=$(printf '%s\n' $agent $unit $autostart $docs/copyright $docs/changelog.Debian.gz \
    usr/share/icons/hicolor/scalable/apps/corvane-antivirus-helper.svg | sort)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort)
[ "$files" = "$expected" ] || fail "files: $(diff <(echo "$expected") <(echo "$files"))"

root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root() {
    quiet dpkg --root="$root" --log=/dev/null --force-not-root,depends,script-chrootless "$@"
}
dpkg_root -i "$deb"
for file in $expected; do [ -f "$root/$file" ] || fail "not installed: /$file"; done
grep -qx "Exec=/$agent" "$root/$autostart" || fail "the autostart entry starts another program"
grep -qx "ExecStart=/$agent" "$root/$unit" || fail "the unit starts another program"
grep -qx "Restart=always" "$root/$unit" || fail "the unit does not bring the agent back"
HOME=$scratch QT_QPA_PLATFORM=offscreen timeout 2.5 "$root/$agent" >"$scratch/out" 2>&1 || true
grep -qx 'USB Protection is OFF, skipping USB info load.' "$scratch/out" ||
    fail "the installed agent did not run: $(cat "$scratch/out")"
dpkg_root -r corvane-antivirus-helper
for file in $expected; do [ ! -e "$root/$file" ] || fail "left behind after removal: /$file"; done
echo "install test: ok ($(basename "$deb"))"
