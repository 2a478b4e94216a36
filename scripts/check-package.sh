#!/usr/bin/env bash
# Installs the Debian package on a fresh minimal Debian 12 and uses it there
# as an ordinary user would; then purges it and looks for anything of ours
# left under /usr. Run as root:
#
#   scripts/check-package.sh [corvandelle_VERSION_ARCH.deb]
#
# (default: the newest package in build-package/). It downloads a base system
# of a few hundred MB from the Debian mirror this machine's apt uses.
# CV_BOOTSTRAP_TARBALL=FILE keeps the downloaded base packages in FILE and
# takes them from there on the next run; CV_KEEP_CHROOT=1 leaves the system
# in place for a look afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

say() { echo "check-package: $*"; }
fail() { echo "check-package: FAILED: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "run as root (debootstrap and chroot need it)"
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"

deb=${1:-$(ls -t build-package/corvandelle_*.deb 2>/dev/null | head -n 1 || true)}
[ -n "$deb" ] && [ -f "$deb" ] || fail "no package: build one with scripts/make-package.sh"
deb=$(realpath "$deb")
package=$(dpkg-deb -f "$deb" Package)

# The Debian mirror apt uses here, in either form of sources file.
sources=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
uris=$(printf '%s\n' "$sources" | sed -n -E 's/^URIs:[[:space:]]*//p; s/^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+).*/\2/p' |
       tr ' ' '\n' | grep -E '^https?://' || true)
mirror=$(printf '%s\n' "$uris" | grep -v -- '-security' | grep -E '/debian/?$' | head -n 1 || true)
security=$(printf '%s\n' "$uris" | grep -E -- '/debian-security/?$' | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}
say "package $deb"
say "mirror $mirror${security:+, security $security}"

work=$(mktemp -d /var/tmp/cv-check-package.XXXXXX)
root=$work/root
mounted=()
cleanup() {
    local status=$?
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    if [ "${CV_KEEP_CHROOT:-0}" = 1 ]; then
        say "the system stays in $root"
    elif findmnt -rn -o TARGET | grep -q "^$work/"; then
        say "$work is left in place: something is still mounted below it"
    else
        rm -rf --one-file-system "$work" || say "could not remove $work"
    fi
    exit $status
}
trap cleanup EXIT

say "debootstrap --variant=minbase bookworm"
bootstrap=(debootstrap --variant=minbase)
if [ -n "${CV_BOOTSTRAP_TARBALL:-}" ]; then
    if [ ! -f "$CV_BOOTSTRAP_TARBALL" ]; then
        "${bootstrap[@]}" --make-tarball="$CV_BOOTSTRAP_TARBALL" bookworm "$work/download" "$mirror" >"$work/debootstrap.log" 2>&1 ||
            { tail -n 20 "$work/debootstrap.log"; fail "debootstrap could not download the base system"; }
    fi
    bootstrap+=(--unpack-tarball="$(realpath "$CV_BOOTSTRAP_TARBALL")")
fi
"${bootstrap[@]}" bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log"; fail "debootstrap"; }

{
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    [ -z "$security" ] || echo "deb $security bookworm-security main"
} >"$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf"
for fs in proc dev dev/pts; do
    mount --bind "/$fs" "$root/$fs"
    mounted+=("$root/$fs")
done

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }

say "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get -qq update
in_root sh -c "cd /tmp && apt-get install -y -q --no-install-recommends ./$(basename "$deb")" >"$work/install.log" 2>&1 ||
    { tail -n 30 "$work/install.log"; fail "apt-get install"; }
say "installed with $(grep -c '^Setting up ' "$work/install.log") packages set up"
files_of_ours=$(in_root dpkg-query -L "$package")

# An ordinary user with a home of their own and files to work on.
in_root useradd --create-home --shell /bin/bash user
home=$root/home/user
cp "$source_dir/examples/運動会の写真.gpa" "$home/"
cp "$(ls "$source_dir"/examples/運動会のアルバム/*.jpg | head -n 1)" "$home/picture.jpg"
mkdir -p "$home/tmp"
in_root chown -R user:user /home/user
as_user() {
    chroot --userspec=user:user "$root" env -i HOME=/home/user TMPDIR=/home/user/tmp USER=user \
        PATH=/usr/bin:/bin LANG=C.UTF-8 sh -c "cd && $1"
}

say "user: corvan-cli receive 運動会の写真.gpa"
as_user "corvan-cli receive 運動会の写真.gpa --root received --yes" || fail "corvan-cli receive"
received=$(find "$home/received" -type f | wc -l)
find "$home/received" -type f -name '校庭.png' | grep -q . || fail "corvan-cli did not receive the example's picture"
say "received $received files"

say "user: glimmora-cli publish picture.jpg"
as_user "glimmora-cli publish --creator 確認係 --title 確認 picture.jpg -o album.gpa" || fail "glimmora-cli publish"
as_user "glimmora-cli read album.gpa" || fail "glimmora-cli read"

say "user: vitrinel --generate"
# The album received into the save root, so the index page has one to list.
as_user "corvan-cli receive album.gpa --yes >/dev/null" || fail "corvan-cli receive album.gpa"
[ -d "$home/Documents/Corvan/Glimmora" ] || fail "the album was not received into ~/Documents/Corvan"
# vitrinel finds the save root where the receiver's window notes it when it
# ends (corvan-cli leaves the settings alone); note it as that window would.
as_user "mkdir -p .config/Quillmere && printf '[settings]\nRootFolder=/home/user/Documents/Corvan\n' > .config/Quillmere/Corvandelle.conf"
page=$(as_user "vitrinel --generate") || fail "vitrinel --generate"
echo "$page"
[ -f "$root$(printf '%s\n' "$page" | tail -n 1)" ] || fail "vitrinel wrote no page"

say "user: xdg-mime query default application/x-guidepost"
default=$(as_user "xdg-mime query default application/x-guidepost")
echo "$default"
[ "$default" = corvan.desktop ] || fail "the default program of a GuidePost is '$default', not corvan.desktop"

say "apt-get purge $package"
in_root apt-get purge -y -q "$package" >"$work/purge.log" 2>&1 || { tail -n 20 "$work/purge.log"; fail "apt-get purge"; }
left=()
while IFS= read -r path; do
    [ -n "$path" ] && [ ! -d "$root$path" ] && [ -e "$root$path" -o -L "$root$path" ] && left+=("$path")
done <<<"$files_of_ours"
while IFS= read -r path; do
    left+=("${path#"$root"}")
done < <(find "$root/usr" \( -iname '*corvan*' -o -iname '*glimmora*' -o -iname '*vitrinel*' -o -iname '*ledgerix*' \
                             -o -iname '*rootgate*' -o -iname '*guidepost*' -o -iname '*cvclib*' \) -print)
while IFS= read -r path; do
    left+=("${path#"$root"} (names us)")
done < <(grep -rlE 'corvan|glimmora|x-guidepost' "$root/usr/share/applications" "$root/usr/share/mime" 2>/dev/null || true)
if [ ${#left[@]} -gt 0 ]; then
    printf '  %s\n' "${left[@]}"
    fail "the purge left the above under /usr"
fi
say "nothing of ours is left under /usr"
say "all checks passed"
