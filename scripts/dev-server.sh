#!/usr/bin/env bash
# Installs what is missing, builds, and runs the development server: nvrsimd and lighttpd on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
port=${NVR_PORT:-8080}
root="$top/devroot"

scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release

mkdir -p "$root"/{tmp,dev/shm,var/run,var/log,mnt/nand/app,mnt/nand2,opt/app/www/webfile/json}
if [ -x build/bin/nvrdb ] && [ ! -f "$root/mnt/nand/app/qvdb.db" ]; then
  build/bin/nvrdb --root "$root" init
  password=$(head -c 12 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 12)
  build/bin/nvrdb --root "$root" user add admin --password "$password" --type 0
  echo "$password" > "$root/admin-password"
  chmod 600 "$root/admin-password"
fi

scripts/lighttpd-conf.sh "$root" "$port" "$top/build/bin/nvrweb.cgi" > "$root/lighttpd.conf"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  echo "stopped"
}
trap cleanup EXIT
trap 'exit 0' INT TERM

build/bin/nvrsimd --root "$root" &
pids+=($!)
lighttpd -D -f "$root/lighttpd.conf" &
pids+=($!)
sleep 0.5

url="http://127.0.0.1:$port/cgi-bin/nvrweb.cgi"
echo
echo "nvrweb development server: $url/<route>"
echo "device root: $root (daemon journal: $root/var/log/nvrsimd.jsonl)"
if [ -f "$root/admin-password" ]; then
  password=$(cat "$root/admin-password")
  digest=$(printf '%s' "$password" | md5sum | cut -d' ' -f1)
  echo "administrator: admin / $password"
  echo
  echo "Log in:"
  echo "  curl -s -X POST -H 'Content-Type: application/json' -d '{\"userName\":\"admin\",\"md5\":\"$digest\"}' $url/1000"
fi
echo
echo "Sample request:"
echo "  curl -s $url/dw.cgi"
echo
echo "Ctrl-C stops everything."
wait
