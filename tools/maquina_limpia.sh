#!/usr/bin/env bash
# Runs both set-up commands of the README on a minimal Debian 12, as a new user would: each in its
# own fresh `debootstrap --variant=minbase bookworm` tree, on a clone of this repository's HEAD,
# as root. Needs root, debootstrap and the network to the package archive; takes minutes.
#
#   tools/maquina_limpia.sh [--base DIR] [WORKDIR]
#
# --base DIR copies an existing minbase tree instead of downloading one (it is never changed).
# WORKDIR (default: a new folder under /var/tmp) keeps the trees and the logs.
#
# ./run.sh passes when, headless, the program has made its data folder, is still running 5 s
# later and exits 0 on TERM. ./test.sh passes when it exits 0.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
base=""
if [ "${1:-}" = "--base" ]; then
  base=$(cd "$2" && pwd)
  shift 2
fi
trabajo=${1:-$(mktemp -d /var/tmp/korval-limpia.XXXXXX)}
mkdir -p "$trabajo"
trabajo=$(cd "$trabajo" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot need it)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "install debootstrap first" >&2; exit 2; }

montados=()
desmontar() {
  local i
  for ((i = ${#montados[@]} - 1; i >= 0; i--)); do
    umount -l "${montados[i]}" 2>/dev/null || true
  done
  montados=()
}
trap desmontar EXIT

# A fresh tree with this repository cloned into /root/korval.
preparar() {
  local raiz=$1
  rm -rf --one-file-system "$raiz"
  if [ -n "$base" ]; then
    cp -a "$base" "$raiz"
  else
    debootstrap --variant=minbase bookworm "$raiz" http://deb.debian.org/debian \
      >"$raiz.debootstrap.log" 2>&1
  fi
  cp /etc/resolv.conf "$raiz/etc/resolv.conf" 2>/dev/null || true
  git clone -q "$repo" "$raiz/root/korval"
  mount -t proc proc "$raiz/proc" && montados+=("$raiz/proc")
  mount -t sysfs sys "$raiz/sys" && montados+=("$raiz/sys")
  mount --bind /dev "$raiz/dev" && montados+=("$raiz/dev")
  mount --bind /dev/pts "$raiz/dev/pts" && montados+=("$raiz/dev/pts")
}

en_raiz() {
  local raiz=$1
  shift
  chroot "$raiz" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 "$@"
}

probar_run() {
  local raiz=$trabajo/run log=$trabajo/run.log
  preparar "$raiz"
  # chroot, env, bash and run.sh each exec the next, so $! ends up as the program itself.
  chroot "$raiz" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen /bin/bash -c 'cd /root/korval && exec ./run.sh' >"$log" 2>&1 &
  local pid=$! carpeta=$raiz/root/Documents/KORVAL
  # The first start installs packages and builds: allow it time before the window appears.
  for _ in $(seq 1800); do
    [ -d "$carpeta" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 1
  done
  if [ ! -d "$carpeta" ]; then
    echo "  no data folder was made (see $log)"
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 1
  fi
  sleep 5
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "  the program did not keep running (see $log)"
    return 1
  fi
  kill -TERM "$pid"
  local estado=0
  wait "$pid" || estado=$?
  if [ "$estado" -ne 0 ]; then
    echo "  the program ended with status $estado on TERM (see $log)"
    return 1
  fi
}

probar_test() {
  local raiz=$trabajo/test log=$trabajo/test.log
  preparar "$raiz"
  if ! en_raiz "$raiz" /bin/bash -c 'cd /root/korval && ./test.sh' >"$log" 2>&1; then
    echo "  ./test.sh failed (see $log):"
    tail -n 15 "$log" | sed 's/^/    /'
    return 1
  fi
  grep -E 'tests passed|installed package' "$log" | sed 's/^/    /'
}

fallos=0
echo "== ./run.sh on a fresh minbase tree"
if probar_run; then echo "PASS ./run.sh"; else echo "FAIL ./run.sh"; fallos=$((fallos + 1)); fi
desmontar
echo "== ./test.sh on a fresh minbase tree"
if probar_test; then echo "PASS ./test.sh"; else echo "FAIL ./test.sh"; fallos=$((fallos + 1)); fi
desmontar
echo "trees and logs: $trabajo"
exit "$fallos"
