#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already present.
# The web page's too: emscripten and node-acorn build it, chromium tests it;
# dpkg-dev unpacks the PCRE2 source scripts/web builds; lintian checks the
# Debian package.
# Usage: scripts/deps.sh [extra packages...]   (runs apt-get through sudo when not root)
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libpcre2-dev libgtest-dev libbenchmark-dev
          qt6-base-dev fonts-dejavu-core clang libclang-rt-dev dpkg-dev
          emscripten node-acorn chromium lintian "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# Node.js and npm run the assembler that judges the translations; any
# installation of them will do (the machine may have one from elsewhere).
command -v node > /dev/null 2>&1 || missing+=(nodejs)
command -v npm > /dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
