#!/usr/bin/env bash
# The Debian package through its life on a machine, with apt and dpkg as root: lintian accepts it;
# it installs with its dependencies, its agent runs, its user unit is enabled for every user and a
# session under systemd gets no second agent from the autostart entry; an administrator's change to
# that entry survives the upgrade to a later version; removal and purge leave the user's files, and
# purge leaves nothing of the package. It installs into this machine's own root (CI's is thrown
# away after the run), so it skips unless root and when dpkg already knows the package.
# Usage: install_test.sh <build dir>
set -euo pipefail
name=corvane-antivirus-helper
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installs into this machine's root, needs root"; exit 77; }
type -P dpkg-buildpackage dh lintian desktop-file-validate systemd-analyze >/dev/null ||
    { echo "SKIP: the packaging tools are missing (./dev test installs them)"; exit 77; }
dpkg-query -W $name >/dev/null 2>&1 && { echo "SKIP: $name is installed here already"; exit 77; }
scratch=$(mktemp -d)
trap 'apt-get purge -y -o DPkg::Lock::Timeout=300 $name &>/dev/null || true; rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
quiet() { "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log" >&2; fail "$*"; }; }
apt_get() { quiet apt-get -y -o DPkg::Lock::Timeout=300 "$@"; }

source=$(cd "$(dirname "$0")/../.." && pwd)
v1=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
"$source/packaging/build_deb.sh" "$1/deb" "$scratch/v1"
"$source/packaging/build_deb.sh" "$1/deb" "$scratch/v2" "$v1+1"
deb() { echo "$scratch/$1/${name}_$2_$(dpkg --print-architecture).deb"; }
# lintian also holds the library dependencies to what the agent links.
lintian --fail-on error,warning "$(deb v1 "$v1")" >"$scratch/lintian" 2>&1 ||
    fail "lintian: $(cat "$scratch/lintian")"
depends=$(dpkg-deb -f "$(deb v1 "$v1")" Depends)
[[ $depends =~ qt6-qpa-plugins && $depends =~ fonts-inter ]] || fail "Depends lacks: $depends"
agent=/usr/libexec/corvane-antivirus/helper
unit=/usr/lib/systemd/user/$name.service
autostart=/etc/xdg/autostart/$name.desktop
expected=$(printf '%s\n' $agent "$unit" "$autostart" /usr/share/doc/$name/copyright \
    /usr/share/doc/$name/changelog.gz /usr/share/icons/hicolor/scalable/apps/$name.svg | sort)
files=$(dpkg-deb -c "$(deb v1 "$v1")" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}' | sort)
[ "$files" = "$expected" ] || fail "files: $(diff <(echo "$expected") <(echo "$files"))"

# apt and dpkg run as from the user's session: a maintainer script that reached into $HOME would
# meet the user's files.
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch DEBIAN_FRONTEND=noninteractive
leftovers() { find /etc /usr /var -name '*corvane-antivirus*' | sort; }
leftovers >"$scratch/before"
apt_get install "$(deb v1 "$v1")"
[ -L /etc/systemd/user/graphical-session.target.wants/$name.service ] ||
    fail "the user unit is not enabled: a session under systemd starts no agent"
grep -qx "Exec=$agent" "$autostart" || fail "the autostart entry starts another program"
# What a session under systemd makes of the autostart entries (output, early and late folders).
mkdir "$scratch/units"
/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator "$scratch"/units{,,}
[ -z "$(find "$scratch/units" -name '*corvane*')" ] ||
    fail "a session under systemd starts the agent from the autostart entry beside the user unit"
out=$(desktop-file-validate "$autostart" 2>&1; systemd-analyze --user verify "$unit" 2>&1) || true
[ -z "$out" ] || fail "$out"

data="$HOME/Library/Application Support/Corvane Antivirus"
mkdir -p "$data" && echo '{"usbProtection": false}' >"$data/settings.json"
QT_QPA_PLATFORM=offscreen timeout 2.5 "$agent" >"$scratch/out" 2>&1 || true
grep -qx 'USB Protection is OFF, skipping USB info load.' "$scratch/out" ||
    fail "the installed agent did not run: $(cat "$scratch/out")"
cp -a "$HOME/Library" "$scratch/library"

echo 'Hidden=true' >>"$autostart"
apt_get install "$(deb v2 "$v1+1")"
[ "$(dpkg-query -W -f='${Version}' $name)" = "$v1+1" ] || fail "the upgrade did not install"
grep -qx 'Hidden=true' "$autostart" || fail "the upgrade overwrote the administrator's entry"
apt_get remove $name
quiet dpkg --purge $name
! dpkg-query -W $name >/dev/null 2>&1 || fail "dpkg still knows $name after purge"
[ "$(leftovers)" = "$(cat "$scratch/before")" ] ||
    fail "left after purge: $(comm -13 "$scratch/before" <(leftovers))"
diff -r "$scratch/library" "$HOME/Library" >&2 || fail "removal or purge changed the user's files"
echo "install test: ok ($v1 installed, upgraded to $v1+1, removed and purged)"
