#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# apt-get update runs only when something is missing.
set -euo pipefail
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
pkgs=(cmake g++ make pkg-config
      qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
      libsqlcipher-dev libxlsxwriter-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      fonts-noto-cjk fonts-liberation2 xvfb xauth poppler-utils unzip locales)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A decimal-comma locale, for the tests that read numbers under one.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  $SUDO localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 || echo "de_DE.UTF-8 not made; those tests skip"
fi
