#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs a Quillon package on a fresh Debian 12 system, checks that the program starts and that
# Quillon's fetch reaches a catalogue over https through the system's trust store.
#   tools/check-fresh-install.sh path/to/quillon_<version>_amd64.deb path/to/fetch_page
# The fresh system is made with debootstrap (minbase) once, kept in $QUILLON_FRESH_ROOT
# (default /var/tmp/quillon-fresh-bookworm), and copied for every run, so that each
# install starts from the same clean state. Needs root and Debian's mirror.
set -euo pipefail
deb=$(realpath "$1")
fetch=$(realpath "$2")
cd "$(dirname "$0")/.."
source tools/packages.sh
install_missing_packages debootstrap openssl

pristine=${QUILLON_FRESH_ROOT:-/var/tmp/quillon-fresh-bookworm}
if [[ ! -x "$pristine/usr/bin/apt-get" ]]; then
  rm -rf "$pristine"
  debootstrap --variant=minbase bookworm "$pristine" http://deb.debian.org/debian
fi

root=$(mktemp -d /var/tmp/quillon-install.XXXXXX)
server=
trap 'kill $server 2>/dev/null; umount "$root/proc" 2>/dev/null || true; rm -rf "$root"' EXIT
cp -a "$pristine/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$fetch" "$root/tmp/"
mount -t proc proc "$root/proc"

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq
# Without recommends, as a careful user installs: the dependencies alone must bring a font.
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" >/dev/null

echo "Installed files:"
in_root dpkg -L quillon | grep -E '^/usr/(bin|share/(applications|metainfo|icons))/.+\.|^/usr/bin/'
if in_root ldd /usr/bin/quillon | grep 'not found'; then
  echo "FAIL: the installed quillon does not resolve every library" >&2
  exit 1
fi
# Chinese must not show as boxes: a font for Simplified Chinese is installed (fontconfig's own
# tool asks, and is installed only to ask).
in_root apt-get install -y -qq --no-install-recommends fontconfig >/dev/null
if [[ -z $(in_root fc-list :lang=zh-cn family) ]]; then
  echo "FAIL: no font for Simplified Chinese is installed" >&2
  exit 1
fi
# The program must start and keep running; offscreen needs no display.
status=0
in_root timeout 3 env QT_QPA_PLATFORM=offscreen quillon >/dev/null 2>&1 || status=$?
if [[ $status -ne 124 ]]; then
  echo "FAIL: quillon ended with status $status instead of running" >&2
  exit 1
fi
# https: a local server with a certificate made here, which the installed system is told to trust
# the way an administrator would. The package's own dependencies must bring the trust store.
tls=$root/tmp/tls
mkdir -p "$tls/site"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$tls/key.pem" -out "$tls/cert.pem" 2>/dev/null
echo '<b>中</b>' >"$tls/site/page.html"
port=$((20000 + RANDOM % 20000))
(cd "$tls/site" && exec openssl s_server -quiet -accept "127.0.0.1:$port" -cert ../cert.pem \
  -key ../key.pem -WWW) >/dev/null 2>&1 &
server=$!
# Up before the fetch, however busy the machine: the fetch has no second try.
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
cp "$tls/cert.pem" "$root/usr/local/share/ca-certificates/quillon-check.crt"
in_root update-ca-certificates >/dev/null
page=$(in_root "/tmp/$(basename "$fetch")" "https://127.0.0.1:$port/page.html")
if [[ $page != '<b>中</b>' ]]; then
  echo "FAIL: a fetch over https from the installed system gave '$page'" >&2
  exit 1
fi
# Through the proxy that GNOME's settings name, as its Settings panel keeps them (the keyfile
# backend: the minimal system has no session bus), for a catalogue only that proxy knows.
mkdir -p "$root/tmp/gnome/glib-2.0/settings"
printf "[system/proxy]\nmode='manual'\n[system/proxy/http]\nhost='127.0.0.1'\nport=%s\n" "$port" \
  >"$root/tmp/gnome/glib-2.0/settings/keyfile"
kill "$server"; wait "$server" 2>/dev/null || true
python3 -c '
import socket, sys
listener = socket.create_server(("127.0.0.1", int(sys.argv[1])))
while True:
    connection, _ = listener.accept()
    line = connection.recv(65536).split(b"\r\n")[0]
    ok = line == b"GET http://catalogue.invalid/page.html HTTP/1.1"
    body = "<b>中</b>".encode() if ok else b""
    connection.sendall(b"HTTP/1.1 %s\r\nContent-Length: %d\r\n\r\n%s" % (b"200 OK" if ok else b"404 No", len(body), body))
    connection.close()
' "$port" &
server=$!
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
page=$(in_root env GSETTINGS_BACKEND=keyfile DESKTOP_SESSION=gnome XDG_CONFIG_HOME=/tmp/gnome \
  "/tmp/$(basename "$fetch")" "http://catalogue.invalid/page.html")
if [[ $page != '<b>中</b>' ]]; then
  echo "FAIL: a fetch through the proxy in GNOME's settings gave '$page'" >&2
  exit 1
fi
echo "OK: $(basename "$deb") installs on a fresh Debian 12 without recommends, resolves every" \
  "library, has a Chinese font, starts, fetches over https and through GNOME's proxy"
