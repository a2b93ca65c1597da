#!/usr/bin/env bash
# Builds the Debian package from build/, validates the launcher and the metainfo, and, when run
# as root on a machine without a korval package of its own, installs the package with apt, starts
# the installed program headless, asks it to close and removes the package again. A korval that
# the machine had before is never replaced or removed.
set -euo pipefail
cd "$(dirname "$0")/.."

desktop-file-validate packaging/org.korval.Korval.desktop
appstreamcli validate --no-net packaging/org.korval.Korval.metainfo.xml

rm -f build/korval_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/korval_*.deb)
echo "package: $deb"
dpkg-deb -f "$deb" Depends

if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the package was built and checked, not installed"
  exit 0
fi
if dpkg-query -W -f='${Status}' korval 2>/dev/null | grep -q 'install ok installed'; then
  echo "korval was already installed here: the package was built and checked, not installed"
  exit 0
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq korval >/dev/null' EXIT
desktop-file-validate /usr/share/applications/org.korval.Korval.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.korval.Korval.metainfo.xml
for f in /usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/org.korval.Korval.png \
         /usr/share/icons/hicolor/scalable/apps/org.korval.Korval.svg; do
  test -s "$f" || { echo "missing $f"; exit 1; }
done

# Start the installed program the way the launcher does, then ask it to close.
inicio=$(mktemp -d)
trap 'rm -rf "$inicio"; DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq korval >/dev/null' EXIT
comando=$(sed -n 's/^Exec=//p' /usr/share/applications/org.korval.Korval.desktop)
HOME="$inicio" QT_QPA_PLATFORM=offscreen $comando 2>/dev/null &
pid=$!
for _ in $(seq 200); do
  [ -d "$inicio/Documents/KORVAL" ] && break
  sleep 0.1
done
test -d "$inicio/Documents/KORVAL" || { echo "the installed program made no data folder"; exit 1; }
sleep 1
kill -0 "$pid" || { echo "the installed program did not keep running"; exit 1; }
kill -TERM "$pid"
estado=0
wait "$pid" || estado=$?
if [ "$estado" -ne 0 ]; then
  echo "the installed program ended with status $estado"
  exit 1
fi
# The workbook library is loaded at the first workbook, so only an export shows that the
# package's dependencies bring it.
printf 'Ana\r\n' >"$inicio/Documents/KORVAL/USRS.kvldat"
HOME="$inicio" korval --exportar "$inicio/historial.xlsx" ||
  { echo "the installed program could not write a workbook"; exit 1; }
[ "$(head -c 2 "$inicio/historial.xlsx")" = PK ] || { echo "the workbook is no zip"; exit 1; }
echo "installed package starts, writes a workbook and closes cleanly"
