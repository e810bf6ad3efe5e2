#!/usr/bin/env bash
# Makes a GIS project in a SQLite file (the default) or, given
# "pg:CONNINFO", in a PostgreSQL database.  Without a theme table the
# project is empty: the catalogue tables only (categories, features, maps,
# the table and join catalogues).  With one it is ready for ZERA data: the
# GIS build's set-up adds the ZERA tables, a category per FKB group and a
# feature per theme, with the four templates for unknown themes.
#   scripts/new-gis-project.sh out/prosjekt.db
#   scripts/new-gis-project.sh out/prosjekt.db samples/tema.tem
set -euo pipefail
[ $# -eq 1 ] || [ $# -eq 2 ] || { echo "usage: $0 PROJECT [THEMETABLE]   (PROJECT a file, or pg:CONNINFO)" >&2; exit 2; }
project=$1
themes=${2:-}
if [ -n "$themes" ]; then
  [ -r "$themes" ] || { echo "$0: cannot read the theme table $themes" >&2; exit 2; }
  themes=$(cd "$(dirname "$themes")" && pwd)/$(basename "$themes")
fi
# A file project named relative to where the script was called from.
case $project in
  pg:* | postgres://* | postgresql://* | /*) ;;
  *) project=$(pwd)/$project ;;
esac
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-release -G Ninja -DZERA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ -z "$themes" ]; then
  cmake --build build-release --target mdlhost_program >/dev/null
  build-release/bin/mdlhost -k "gis create $project" -k "gis open $project" -k exit
  echo "GIS project $project made"
  exit 0
fi
cmake --build build-release --target mdlhost_program ZvZeraGG >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The GIS build in place of the CAD build, its settings kept apart from the
# user's, the theme table as its theme file.
cat >"$work/oppsett.cfg" <<CFG
MS_MDL = $(pwd)/build-release/lib/gis
MDLHOST_GISPROJECT = $project
ZVZERA_TEMAFIL = $themes
MS_USERPREF = $work/user.upf
MDLHOST_USERPREF = $work/host.upf
CFG
build-release/bin/mdlhost -c "$work/oppsett.cfg" -k "gis create $project" -k "mdl load zvzera" \
  -k "zvzera gg opprett kategorier" -k "zvzera avslutt" -k exit
echo "GIS project $project made from $themes"
