#!/usr/bin/env bash
# Upload speed of `vornftp put` against `curl -T` (active mode, --ftp-port)
# to one loopback pyftpdlib server, side by side in one run, several rounds
# interleaved; each upload is checked byte for byte. The last line is the
# ratio of the best vornftp speed to the best curl speed.
#
#   ftp_put_bench.sh [VORNFTP] [SIZE_MB] [ROUNDS]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
vornftp=${1:-${VORNFTP:-@VORNFTP@}}
[[ -x $vornftp ]] || vornftp=$here/../tools/vornftp/vornftp
size_mb=${2:-100}
rounds=${3:-5}
python=/usr/bin/python3

[[ -x $vornftp ]] || { echo "ftp_put_bench: no vornftp program (build the vornftp target)" >&2; exit 1; }
command -v curl >/dev/null || { echo "ftp_put_bench: curl is not installed" >&2; exit 1; }
$python -c 'import pyftpdlib' 2>/dev/null || { echo "ftp_put_bench: pyftpdlib is not installed for $python" >&2; exit 1; }

work=$(mktemp -d)
server_pid=
cleanup() {
    [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/root"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$work/payload.bin"

# The server prints its port once it listens.
cat > "$work/server.py" <<'PY'
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.ERROR)
auth = DummyAuthorizer()
auth.add_user("bench", "bench", sys.argv[1], perm="elradfmwMT")
FTPHandler.authorizer = auth
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print(server.address[1], flush=True)
server.serve_forever()
PY
exec 3< <($python "$work/server.py" "$work/root" 2>/dev/null & echo "pid $!"; wait)
read -r _ server_pid <&3
read -r port <&3

now() { date +%s.%N; }
speed() { awk -v mb="$size_mb" -v s="$1" 'BEGIN { printf "%.1f", mb / s }'; }
check() {
    cmp -s "$work/payload.bin" "$work/root/$1" || { echo "ftp_put_bench: $1 differs from the payload" >&2; exit 1; }
    rm -f "$work/root/$1"
}

best_vorn=0
best_curl=0
echo "upload of ${size_mb} MB to pyftpdlib on 127.0.0.1:$port, $rounds rounds"
printf '%-8s %12s %12s\n' round "vornftp MB/s" "curl MB/s"
for ((r = 1; r <= rounds; r++)); do
    t0=$(now)
    "$vornftp" --port "$port" 127.0.0.1 bench bench put "$work/payload.bin" vorn.bin
    t1=$(now)
    check vorn.bin
    t2=$(now)
    curl -s -S -T "$work/payload.bin" --ftp-port 127.0.0.1 --user bench:bench "ftp://127.0.0.1:$port/curl.bin"
    t3=$(now)
    check curl.bin
    v=$(speed "$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
    c=$(speed "$(awk -v a="$t2" -v b="$t3" 'BEGIN { print b - a }')")
    printf '%-8s %12s %12s\n' "$r" "$v" "$c"
    best_vorn=$(awk -v a="$best_vorn" -v b="$v" 'BEGIN { print (b > a) ? b : a }')
    best_curl=$(awk -v a="$best_curl" -v b="$c" 'BEGIN { print (b > a) ? b : a }')
done
printf '%-8s %12s %12s\n' best "$best_vorn" "$best_curl"
echo "ratio ftp_put_speed_vs_curl $(awk -v a="$best_vorn" -v b="$best_curl" 'BEGIN { printf "%.3f", a / b }')"
