#!/usr/bin/env bash
# Runs one Windows program under the project's Wine prefix (ctest's cross-compiling emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
