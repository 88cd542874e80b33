#!/usr/bin/env bash
# Builds Kestrix and starts it from its program folder build/Kestrix/, passing the arguments on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" >&2
cd "$root/build/Kestrix"
exec ./kestrix "$@"
