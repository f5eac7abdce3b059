#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: a new cluster in a private
# temporary folder, listening only on a Unix socket in that folder, stopped
# and removed on every way out.
#
#   scripts/pg-test-server.sh COMMAND [ARGS...]
#       runs COMMAND with ZL_PG_URI set to the server's connection URI and
#       exits with its status;
#   scripts/pg-test-server.sh
#       prints the URI and keeps the server until interrupted.
#
# The server refuses to run as root: as root the cluster belongs to the
# "postgres" system user (made by the Debian package), otherwise to the
# caller.  The binaries are looked for under /usr/lib/postgresql/*/bin.
set -euo pipefail

bindir=${ZL_PG_BINDIR:-}
if [ -z "$bindir" ]; then
  for candidate in /usr/lib/postgresql/*/bin; do
    [ -x "$candidate/initdb" ] && bindir=$candidate
  done
fi
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "pg-test-server: no PostgreSQL server binaries (install the postgresql package)" >&2
  exit 2
fi

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  id postgres >/dev/null 2>&1 || { echo "pg-test-server: no postgres user" >&2; exit 2; }
  as_owner=(runuser -u postgres --)
fi

folder=$(mktemp -d "${TMPDIR:-/tmp}/zlpg.XXXXXX")
started=0
cleanup() {
  local status=$?
  if [ "$started" -eq 1 ]; then
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$folder"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

[ "${#as_owner[@]}" -eq 0 ] || chown postgres: "$folder"
chmod 700 "$folder"
# The C locale makes lower() fold ASCII letters only and text compare byte
# by byte, as the file backend's case-insensitive indexes do; SQL_ASCII
# keeps texts as the bytes they are, as a file does.
"${as_owner[@]}" "$bindir/initdb" -D "$folder/data" -U zl --auth=trust -E SQL_ASCII --locale=C \
  >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log" >&2; exit 1; }
# The socket folder must be reachable by the clients (root or the owner).
chmod 711 "$folder"
started=1
"${as_owner[@]}" "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s \
  -o "-c listen_addresses='' -k $folder -c fsync=off -c synchronous_commit=off -c max_connections=60" \
  start || { cat "$folder/server.log" >&2; exit 1; }
"${as_owner[@]}" "$bindir/createdb" -h "$folder" -U zl zl

export ZL_PG_URI="postgresql:///zl?host=$folder&user=zl"
if [ $# -eq 0 ]; then
  echo "$ZL_PG_URI"
  echo "pg-test-server: running until interrupted" >&2
  while true; do sleep 3600; done
fi
"$@"
