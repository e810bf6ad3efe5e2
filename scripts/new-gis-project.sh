#!/usr/bin/env bash
# Makes an empty GIS project: the catalogue tables (categories, features,
# maps, the table and join catalogues), in a SQLite file (the default) or,
# given "pg:CONNINFO", in a PostgreSQL database.  The ZERA tables are not
# made here: the GIS build's database layer makes them when it sets up a
# project.
#   scripts/new-gis-project.sh out/prosjekt.db
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PROJECT (a file, or pg:CONNINFO)" >&2; exit 2; }
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-release -G Ninja -DZERA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target mdlhost_program >/dev/null
build-release/bin/mdlhost -k "gis create $1" -k "gis open $1" -k exit
echo "GIS project $1 made"
