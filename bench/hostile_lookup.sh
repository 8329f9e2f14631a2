#!/usr/bin/env bash
# orbelune-cat lookup against a local server that answers as no disc database should: an answer without
# end, a 100 MB answer of 250,000 releases, one just under the 4 MB limit (some 15,000 releases, all
# read), a redirect to itself, and every control byte in a release's texts. For each: the peak memory (maximum resident set size, from /usr/bin/time -v), the wall-clock
# time, the requests the server saw and what the tool said. Build without sanitizers for the memory
# figures (AddressSanitizer's own bookkeeping is counted with the program's).
#
# Usage: bench/hostile_lookup.sh [orbelune-cat, default build-bench/orbelune-cat]
set -euo pipefail
tool=${1:-build-bench/orbelune-cat}
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

cat >"$work/server.py" <<'PY'
import http.server, socketserver, sys, json
RELEASE = ('{"id":"00000001-1111-2222-3333-444444444444","title":"Album","status":"Official","date":"1991",'
           '"artist-credit":[{"name":"Ann Example"}],"media":[{"position":1,"track-count":3,'
           '"tracks":[{"position":1,"title":"One"},{"position":2,"title":"Two"},{"position":3,"title":"Three"}]}]}')
CONTROL = "".join(chr(b) for b in range(1, 32)) + "\x7f\x85\x9b[2J"
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *args):
        with open(sys.argv[2], "a") as log:
            log.write(self.path.split("/")[1] + "\n")
    def do_GET(self):
        mode = self.path.split("/")[1]
        if mode == "loop":
            self.send_response(302)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        if mode == "control":
            release = json.loads(RELEASE)
            release["title"] = "Album" + CONTROL
            release["artist-credit"][0]["name"] = CONTROL
            release["media"][0]["tracks"][2]["title"] = CONTROL
            body = json.dumps({"id": "x", "releases": [release]}).encode()
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        head, part, tail = b'{"id":"x","releases":[', (RELEASE + ",").encode(), (RELEASE + "]}").encode()
        count = {"huge": 250000, "big": (4 * 2**20 - 1024) // len(part)}.get(mode)
        if count is not None:
            self.send_header("Content-Length", str(len(head) + count * len(part) + len(tail)))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        try:
            self.wfile.write(head)
            sent = 0
            while count is None or sent < count:
                n = 64 if count is None else min(64, count - sent)
                self.wfile.write(part * n)
                sent += n
            self.wfile.write(tail)
        except (BrokenPipeError, ConnectionResetError):
            pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
PY
port=$((20000 + RANDOM % 20000))
python3 "$work/server.py" "$port" "$work/requests.log" &
server=$!
sleep 1

# One disc of three tracks to look up, named Unknown.
printf '[0000000000003039]\nUnknown\nUnknown\nUnknown\n\nUnknown\nUnknown\n\n\n0\n12.00\n3\n04.00\n\n\n\n04.00\n\n\n\n04.00\n\n\n\n' \
  >"$work/disc.txt"
mkdir -p "$work/cat"
"$tool" --dir "$work/cat/" import "$work/disc.txt" >/dev/null
export XDG_RUNTIME_DIR=$work

printf '%-10s %12s %9s %9s  %s\n' answer "peak RSS" seconds requests "orbelune-cat said"
for mode in endless huge big loop control; do
  printf '[Lookup]\nMusicBrainz server=http://127.0.0.1:%s/%s\ngnudb server=http://127.0.0.1:%s/loop\nRequest interval=1000\n' \
    "$port" "$mode" "$port" >"$work/cat/ORBELUNE.INI"
  : >"$work/requests.log"
  /usr/bin/time -v -o "$work/time.txt" timeout 120 "$tool" --dir "$work/cat/" lookup 0000000000003039 \
    >"$work/out.txt" 2>&1 || true
  rss=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f MB", $2 / 1024 }' "$work/time.txt")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$work/time.txt")
  printf '%-10s %12s %9s %9s  %s\n' "$mode" "$rss" "$wall" "$(wc -l <"$work/requests.log")" \
    "$(awk 'NR == 1 { first = substr($0, 1, 100) } { last = $0 } END { print first (NR > 1 ? " ... " last : "") }' \
      "$work/out.txt" | cat -v)"
done
