#!/usr/bin/env bash
# Runs one 32-bit Windows program (the i686 build) under 64-bit Wine's WoW64
# mode, in a prefix of its own (.cache/wineprefix32) with the 32-bit DLLs that
# scripts/setup.sh unpacks into .cache/wine32. Used as the i686 tree's
# CMAKE_CROSSCOMPILING_EMULATOR.
PELMO_WINE_WOW64=1 exec "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" "$@"
