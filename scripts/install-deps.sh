#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Uses sudo only when not already root. Safe to run again and again.
set -euo pipefail

PACKAGES=(
  build-essential cmake make pkg-config
  libsqlite3-dev zlib1g-dev libssl-dev uuid-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  libjpeg-dev libpng-dev
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# The package lists of a fresh machine may be stale or absent: refresh them
# only when the first attempt fails, so a warm machine installs at once.
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
