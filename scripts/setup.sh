#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing.
set -euo pipefail
missing=()
command -v g++ >/dev/null || missing+=(g++)
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
command -v sqlite3 >/dev/null || missing+=(sqlite3)
[ -f /usr/include/sqlite3.h ] || missing+=(libsqlite3-dev)
[ -d /usr/include/gtest ] || missing+=(libgtest-dev)
[ -d /usr/include/benchmark ] || missing+=(libbenchmark-dev)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
