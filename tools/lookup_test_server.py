#!/usr/bin/env python3
"""A local stand-in for MusicBrainz, gnudb and the Cover Art Archive, for trying the disc lookup (and
taking the README's pictures) without the internet. It answers every disc with three releases whose
track count is the disc's own, from the documented answer formats.

    python3 tools/lookup_test_server.py [PORT] [RELEASES]    (default 8765, 3 releases a disc)

then, in ORBELUNE.INI:

    [Lookup]
    MusicBrainz server=http://127.0.0.1:8765
    gnudb server=http://127.0.0.1:8765
    Cover art server=http://127.0.0.1:8765
    Request interval=0
"""
import functools
import json
import struct
import sys
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

RELEASES = [
    ("Nocturnes and Preludes", "Clara Example", 1998, "GB", "Northern Light Records", (40, 60, 110)),
    ("Nocturnes and Preludes", "Clara Example", 2004, "DE", "Edition Nordwind", (120, 60, 40)),
    ("Nocturnes and Preludes (remastered)", "Clara Example", 2015, "US", "Harbor Classics", (40, 110, 70)),
]
COUNT = 3
TITLES = ["Nocturne in E flat", "Prelude in D flat", "Nocturne in C minor", "Prelude in E minor",
          "Barcarolle", "Berceuse", "Nocturne in B major", "Prelude in A major", "Fantaisie", "Mazurka"]


@functools.lru_cache(maxsize=None)
def png(rgb, size=500):
    """A square picture: a gradient of rgb with a lighter disc in the middle."""
    rows = []
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            d = ((x - size / 2) ** 2 + (y - size / 2) ** 2) ** 0.5
            k = 1.6 if 60 < d < 170 else 1.0 - y / size * 0.4
            row += bytes(min(255, int(c * k)) for c in rgb)
        rows.append(bytes(row))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


def releases(disc_id, tracks):
    out = []
    for i, (title, artist, year, country, label, _) in enumerate(RELEASES[:COUNT]):
        out.append({
            "id": "%08d-0000-4000-8000-00000000000%d" % (i + 1, i + 1), "title": title, "date": "%d-03-01" % year,
            "country": country, "status": "Official",
            "artist-credit": [{"name": artist, "joinphrase": "", "artist": {"name": artist}}],
            "label-info": [{"catalog-number": "CAT %d" % (i + 1), "label": {"name": label}}],
            "barcode": "0%011d" % (7243500000 + i),
            "release-group": {"first-release-date": "1998"},
            "media": [{"position": 1, "format": "CD", "track-count": tracks, "discs": [{"id": disc_id}],
                       "tracks": [{"position": t + 1, "title": TITLES[t % len(TITLES)] + ("" if t < len(TITLES) else " (%d)" % (t + 1))}
                                  for t in range(tracks)]}]})
    return {"id": disc_id, "releases": out}


class Handler(BaseHTTPRequestHandler):
    def answer(self, status, body, kind="application/json", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path.startswith("/ws/2/discid/"):
            toc = query.get("toc", ["1 0"])[0].replace("+", " ").split()
            tracks = int(toc[1]) - int(toc[0]) + 1 if len(toc) > 1 else 0
            return self.answer(200, json.dumps(releases(url.path.rsplit("/", 1)[1], tracks)).encode())
        if url.path.startswith("/ws/2/release/"):
            # The release with its recordings' works: every work composed by the same composer.
            tracks = [{"position": t + 1, "title": TITLES[t % len(TITLES)],
                       "recording": {"title": TITLES[t % len(TITLES)], "relations": [
                           {"type": "performance", "target-type": "work", "work": {"title": TITLES[t % len(TITLES)],
                            "relations": [{"type": "composer", "artist": {"name": "Fryderyk Example"}}]}}]}}
                      for t in range(10)]
            return self.answer(200, json.dumps({"id": url.path.rsplit("/", 1)[1], "media": [
                {"position": 1, "format": "CD", "track-count": 10, "tracks": tracks}]}).encode())
        if url.path == "/~cddb/cddb.cgi":
            return self.answer(200, b"202 No match found\r\n", "text/plain; charset=UTF-8")
        if url.path.startswith("/release/") and url.path.endswith("/front-500"):
            return self.answer(307, b"", "text/plain", [("Location", "/img/" + url.path.split("/")[2] + ".png")])
        if url.path.startswith("/img/"):
            index = int(url.path[5:13]) - 1 if url.path[5:13].isdigit() else 0
            return self.answer(200, png(RELEASES[index % 3][5]), "image/png")
        return self.answer(404, b'{"error":"Not Found"}')


if __name__ == "__main__":
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 8765
    COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    ThreadingHTTPServer(("127.0.0.1", port), Handler).serve_forever()
