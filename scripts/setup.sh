#!/usr/bin/env bash
# Installs what the project builds and tests with, when any of it is missing:
# Debian packages with apt-get, then the page's npm packages with `npm ci`
# (exact versions from package-lock.json; no browser is ever downloaded: the
# page tests drive Debian's chromium). Safe to run again: it installs nothing
# when everything is there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make pkg-config binutils
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libfmt-dev nlohmann-json3-dev
  libhowardhinnant-date-dev tzdata
  libcairo2-dev fonts-dejavu-core libsqlite3-dev
  libcpp-httplib-dev chromium
  clang-tidy clang-format
  dpkg-dev
)
# Node.js and npm may come from elsewhere than Debian; only a missing one is installed.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The chart library the build embeds and the browser driver the page tests use.
# A copy of the lock file in node_modules/ tells whether they are the ones it names.
if ! cmp -s package-lock.json node_modules/.installed-package-lock.json 2>/dev/null; then
  echo "Installing the page's npm packages (npm ci)" >&2
  PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json node_modules/.installed-package-lock.json
fi
