#!/usr/bin/env bash
# Installs what the build, the tests and the fuzz targets need, when it is
# missing: the compiler and CMake, SQLite, GoogleTest, Google Benchmark,
# binutils (nm, for the exported-symbol check), clang-format (the format
# check), clang with its libFuzzer and sanitizer runtimes (tests/fuzz), and
# pkg-config, file and dpkg-dev (the install test and the Debian package),
# ngspice (zldb check-models), the SPICE models of KiCad's demos (the
# tests of zldb import-spice), libpq (the server backend) and the PostgreSQL
# server (its tests run on a throw-away server, scripts/pg-test-server.sh).
set -euo pipefail
missing=()
command -v g++ >/dev/null || missing+=(g++)
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
command -v nm >/dev/null || missing+=(binutils)
command -v sqlite3 >/dev/null || missing+=(sqlite3)
# The file-format test writes a library with Python's standard sqlite3 module.
command -v python3 >/dev/null || missing+=(python3)
[ -f /usr/include/sqlite3.h ] || missing+=(libsqlite3-dev)
[ -d /usr/include/gtest ] || missing+=(libgtest-dev)
[ -d /usr/include/benchmark ] || missing+=(libbenchmark-dev)
command -v clang-format >/dev/null || missing+=(clang-format)
# clang alone does not bring libFuzzer: its runtimes are a package of their own.
if ! command -v clang++ >/dev/null ||
   [ ! -f "$(clang++ -print-file-name="libclang_rt.fuzzer-$(uname -m).a")" ]; then
  missing+=(clang libclang-rt-dev)
fi
command -v pkg-config >/dev/null || missing+=(pkg-config)
command -v file >/dev/null || missing+=(file)
command -v dpkg-shlibdeps >/dev/null || missing+=(dpkg-dev)
[ -f /usr/include/CLI/CLI.hpp ] || missing+=(libcli11-dev)
[ -f /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
command -v ngspice >/dev/null || missing+=(ngspice)
[ -d /usr/share/kicad/demos/simulation ] || missing+=(kicad-demos)
[ -f /usr/include/postgresql/libpq-fe.h ] || missing+=(libpq-dev)
compgen -G '/usr/lib/postgresql/*/bin/initdb' >/dev/null || missing+=(postgresql)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
