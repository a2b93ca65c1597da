#!/usr/bin/env bash
# Installs what the build needs when it is missing, then configures and builds into build/.
# With --tests it also installs clang and its sanitizer and fuzzer runtime for the test builds;
# with --bench what bench/run.sh measures with (python3, valgrind, Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

paquetes=(cmake g++ make qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libxlsxwriter-dev)
if [ "${1:-}" = "--bench" ]; then
  paquetes+=(python3 valgrind xvfb)
fi
if [ "${1:-}" = "--tests" ]; then
  # The package check needs dpkg-dev and file (CPack's DEB generator calls both); the test of
  # two computers through a sync tool runs a real Syncthing pair on loopback; the exported
  # workbook is read back by openpyxl, which shares no code with the writer.
  paquetes+=(clang-14 libclang-rt-14-dev dpkg-dev file desktop-file-utils appstream syncthing
             python3 python3-openpyxl)
fi
faltan=()
for p in "${paquetes[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then como=(); elif command -v sudo >/dev/null; then como=(sudo); else
    echo "Missing packages: ${faltan[*]} (install them with apt-get as root)" >&2; exit 1
  fi
  "${como[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${como[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${faltan[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
