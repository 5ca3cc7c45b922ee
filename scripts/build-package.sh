#!/usr/bin/env bash
# Builds Vexlo's Debian package from the source: installs what is missing, builds the program
# (ci preset) and makes build/ci/package/vexlo_<version>_amd64.deb. Install it with
#     sudo apt install ./build/ci/package/vexlo_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset ci >/dev/null
cmake --build --preset ci --target vexlo vexlo_icons vexlo_changelog
cpack --config build/ci/CPackConfig.cmake >/dev/null
ls "$PWD"/build/ci/package/vexlo_*_amd64.deb
