#!/usr/bin/env bash
# pgcluster.sh start|stop FILE: a throw-away PostgreSQL cluster for the
# database tests.  start makes a cluster in a new temporary folder, starts it
# on a Unix socket only and writes its libpq connection string to FILE; stop
# stops the cluster FILE names and removes its folder.  Run as root, the
# server runs as user nobody (PostgreSQL refuses to run as root).
# pgcluster.sh terminate FILE DBNAME ends every session connected to
# database DBNAME of that cluster (pg_terminate_backend from a connection of
# its own), as a server restart or an administrator would: the tests of a
# dropped connection use it, and it touches no other test's database.
# pgcluster.sh shut FILE DBNAME also refuses every new connection to it, as
# a server that stays away does.
set -euo pipefail
what=${1:?start, stop or terminate}
file=${2:?connection file}

bindir=${ZERA_PG_BINDIR:-}
if [ -z "$bindir" ]; then
  if command -v pg_config >/dev/null && [ -x "$(pg_config --bindir)/initdb" ]; then
    bindir=$(pg_config --bindir)
  else
    bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  fi
fi
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "pgcluster: no PostgreSQL server found (install postgresql, or set ZERA_PG_BINDIR)" >&2
  rm -f "$file"
  exit 1
fi
as=()
if [ "$(id -u)" -eq 0 ]; then as=(runuser -u nobody --); fi

case $what in
start)
  rm -f "$file"
  dir=$(mktemp -d /tmp/zera-pg-XXXXXX)
  chmod 755 "$dir"
  [ ${#as[@]} -gt 0 ] && chown nobody "$dir"
  "${as[@]}" "$bindir/initdb" -D "$dir/data" -A trust -U zera -E UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  # A Unix socket in the cluster's own folder: no port is shared with anyone.
  "${as[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -k $dir -p 5432 -c fsync=off" start >/dev/null ||
    { cat "$dir/server.log" >&2; exit 1; }
  printf 'host=%s port=5432 user=zera dbname=postgres\n' "$dir" >"$file"
  ;;
stop)
  [ -f "$file" ] || exit 0
  dir=$(sed -n 's/^host=\([^ ]*\) .*/\1/p' "$file")
  rm -f "$file"
  case $dir in /tmp/zera-pg-*) ;; *) exit 0 ;; esac
  "${as[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$dir"
  ;;
terminate|shut)
  dbname=${3:?database name}
  case $dbname in *[!a-z0-9_]*) echo "pgcluster: $dbname is no plain database name" >&2; exit 2 ;; esac
  [ -f "$file" ] || { echo "pgcluster: no cluster ($file)" >&2; exit 1; }
  psql="$bindir/psql"
  [ -x "$psql" ] || psql=psql
  if [ "$what" = shut ]; then
    "$psql" -X -q -t -v ON_ERROR_STOP=1 -d "$(cat "$file")" -c "ALTER DATABASE $dbname ALLOW_CONNECTIONS false"
  fi
  "$psql" -X -q -t -v ON_ERROR_STOP=1 -d "$(cat "$file")" -c \
    "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE datname = '$dbname' AND pid <> pg_backend_pid()"
  ;;
*)
  echo "pgcluster: start, stop, terminate or shut" >&2
  exit 2
  ;;
esac
