#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# apt-get update runs only when something is missing.
set -euo pipefail
pkgs=(cmake g++ make pkg-config
      qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
      libsqlcipher-dev libxlsxwriter-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      fonts-noto-cjk fonts-liberation2 xvfb xauth poppler-utils unzip)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
