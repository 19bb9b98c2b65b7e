#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pardovane.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/cli/pardovane-check "$@"
