#!/usr/bin/env bash
# Sets everything up, builds, and runs two batch jobs through mdlhost on the
# bundled samples: samples/eksempel.zer and samples/flater.zer imported into
# new design files made from samples/seed3d.dgn, then those designs exported
# back to ZERA.  Reports, logs, design files and ZERA files land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-release -G Ninja -DZERA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release

# A fresh run: only what this script made before goes.
rm -rf out/dgn out/zera out/logs out/tmp out/import.rep out/eksport.rep out/zvzera.upf out/mdlhost.upf
mkdir -p out/dgn out/zera out/logs out/tmp

batch() { # JOB REPORT
  build-release/bin/mdlhost -q -c samples/mdlhost.cfg -k "mdl load zvzera MS_INITAPPS -i$1 -i$2"
}
batch samples/import.job out/import.rep
batch samples/eksport.job out/eksport.rep

# The reports and logs are ISO 8859-1, the terminal UTF-8.
utf8() { iconv -f ISO-8859-1 -t UTF-8; }
last_line() { grep -a 'ZERA-filer er' "$1" | utf8; }
features() { # design elements as a GIS tool sees them
  ogrinfo -ro -so "$1" model_1 2>/dev/null | sed -n 's/^Feature Count: //p'
}
zera_elements() { grep -ac '^\.[A-Z]' "$1" | awk '{ print $1 - 2 }'; } # without .HODE and .SLUTT
size() { echo "$(stat -c %s "$1") bytes"; }

echo
echo "Import (samples/import.job, report out/import.rep): $(last_line out/import.rep)"
for f in out/dgn/*.dgn; do
  printf '  %-24s %4s design elements  %6s\n' "$f" "$(features "$f")" "$(size "$f")"
done
echo "Export (samples/eksport.job, report out/eksport.rep): $(last_line out/eksport.rep)"
for f in out/zera/*.zer; do
  printf '  %-24s %4s ZERA elements    %6s\n' "$f" "$(zera_elements "$f")" "$(size "$f")"
done
echo "Logs of each conversion: out/logs/ (inn001.log ... for the import, ut001.log ... for the export)"
echo "Open a design in a GIS tool: ogrinfo out/dgn/flater.dgn model_1, or add it to QGIS as a GeoPackage"

# Every item converted, or the run failed.
for rep in out/import.rep out/eksport.rep; do
  items=$(grep -ac '^ZERA-\(Import \|Eksport\):' "$rep")
  converted=$(grep -a 'ZERA-filer er' "$rep" | awk '{ print $1 }')
  if [ "${converted:-0}" != "$items" ]; then
    echo "Not every item was converted: see $rep" >&2
    exit 1
  fi
done
