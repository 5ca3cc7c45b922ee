#!/usr/bin/env bash
# Installs what is missing, builds the app (dev preset) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target vexlo
exec build/dev/src/app/vexlo "$@"
