#!/usr/bin/env bash
# Prints the build folder whose programs Wine runs on this machine, building it first when it is not the
# product's own win32 tree (see scripts/wine-env.sh).
set -euo pipefail
source "$(dirname "$(realpath "$0")")/wine-env.sh"
wine_build "$(wine_arch)"
