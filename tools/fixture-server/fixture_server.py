#!/usr/bin/env python3
"""The loopback HTTP and HTTPS server that the network suite talks to.

Commands:
  start --state DIR          make a throw-away certificate, start the server in
                             the background and wait until it listens
  stop --state DIR           stop the server started with the same DIR
  run --state DIR -- CMD...  run CMD with every "{base}" replaced by the base URL
                             and KIVO_FIXTURE_BASE set to it
  serve --state DIR          serve in the foreground (what start runs)

The server listens on 127.0.0.1: HTTP on a free port P and HTTPS on P + 1
with a self-signed certificate that no client trusts. Only the Python
standard library and the openssl command are used.
"""

import argparse
import http.server
import os
import signal
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time
import zlib

STYLE_COLOR = "#123456"


def png(width, height, rgb):
    """An uncompressed-colour PNG of one flat colour."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    row = b"\x00" + bytes(rgb) * width
    raw = row * height
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


REFERENCE_BODY = bytes(range(256)) * 4096
IMAGE = png(128, 128, (0x33, 0x99, 0xCC))
BROKEN_IMAGE = b"\x89PNG\r\n\x1a\n" + b"not really an image" * 8

PAGE = ("<!DOCTYPE html><html><head><title>Network fixture</title></head><body>"
        "<h1>Network fixture</h1><p>The page behind the redirect.</p>"
        "<p><a href=\"/next\">Next page</a></p></body></html>")
NEXT = ("<!DOCTYPE html><html><head><title>Next fixture</title></head><body>"
        "<h1>Next fixture</h1><p>Reached by a relative link.</p></body></html>")
SLOW = ("<!DOCTYPE html><html><head><title>Slow fixture</title></head><body>"
        "<h1>Slow fixture</h1><p>Answered late.</p></body></html>")
RESOURCES = ("<!DOCTYPE html><html><head><title>Resources fixture</title>"
             "<link rel=\"stylesheet\" href=\"resource-style.css\"></head><body>"
             "<p class=\"styled\">Styled</p>"
             "<p><img src=\"image.png\" alt=\"Raster\"></p>"
             "<p><img src=\"broken.png\" alt=\"Fallback\"></p>"
             "</body></html>")
STYLESHEET = ".styled { color: %s; }\n" % STYLE_COLOR


class Counter:
    def __init__(self):
        self._lock = threading.Lock()
        self._value = 0

    def next(self):
        with self._lock:
            self._value += 1
            return self._value


ANSWERS = Counter()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "KivoFixture/1"

    def setup(self):
        super().setup()
        # Heads and bodies go out in separate writes; without this, delayed
        # acknowledgements would add 40 ms to every answer.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(), format % args))

    def answer(self, status, content_type, body, headers=()):
        self.send_response(status)
        if content_type:
            self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location, status=302):
        self.answer(status, "text/html; charset=utf-8", b"<p>Moved</p>", [("Location", location)])

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        route = ROUTES.get(path)
        try:
            if route is None:
                self.answer(404, "text/html; charset=utf-8", b"<p>Not found</p>")
            else:
                route(self)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    # The answers, one per fixture path.

    def page(self):
        self.answer(200, "text/html; charset=utf-8", PAGE.encode())

    def next_page(self):
        self.answer(200, "text/html; charset=utf-8", NEXT.encode())

    def missing(self):
        self.answer(404, "text/html; charset=utf-8", b"<p>Missing</p>")

    def oversized(self):
        self.answer(200, "text/html; charset=utf-8", b"a" * (1048576 + 4096))

    def chunked_big(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        piece = b"b" * 65536
        for _ in range(24):
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
        self.wfile.write(b"0\r\n\r\n")

    def loop(self):
        self.redirect("/loop?again")

    def local(self):
        self.redirect("file:///etc/passwd")

    def resources(self):
        self.answer(200, "text/html; charset=utf-8", RESOURCES.encode())

    def stylesheet(self):
        self.answer(200, "text/css; charset=utf-8", STYLESHEET.encode())

    def image(self):
        self.answer(200, "image/png", IMAGE, [("Cache-Control", "max-age=300")])

    def broken_image(self):
        self.answer(200, "image/png", BROKEN_IMAGE)

    def resource_big(self):
        self.answer(200, "text/css", b"/* big */" + b" " * 70000)

    def resource_slow(self):
        time.sleep(2.0)
        self.answer(200, "text/css", b"p { color: #000000; }")

    def resource_cache(self):
        body = "/* answer %d */ p { color: #000000; }\n" % ANSWERS.next()
        self.answer(200, "text/css", body.encode(), [("Cache-Control", "max-age=300")])

    def cache(self):
        body = ("<!DOCTYPE html><html><head><title>Cache fixture</title></head><body>"
                "<p>Answer %d</p></body></html>" % ANSWERS.next())
        self.answer(200, "text/html; charset=utf-8", body.encode(), [("Cache-Control", "max-age=300")])

    def download(self):
        self.answer(200, "application/octet-stream", REFERENCE_BODY,
                    [("Content-Disposition", "attachment; filename=\"kivo-test.bin\"")])

    def slow_download(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Disposition", "attachment; filename=\"slow.bin\"")
        self.send_header("Content-Length", str(65536 * 3))
        self.end_headers()
        self.wfile.write(bytes(65536))
        self.wfile.flush()
        for _ in range(128):
            time.sleep(0.25)
            self.wfile.write(bytes(1024))
            self.wfile.flush()
        self.close_connection = True

    def set_cookie(self):
        self.answer(200, "text/html; charset=utf-8", b"<p>Cookie set</p>",
                    [("Set-Cookie", "kivo_test=quazel; Path=/")])

    def cookie(self):
        cookies = self.headers.get("Cookie")
        text = cookies if cookies else "empty"
        self.answer(200, "text/plain; charset=utf-8", text.encode())

    def slow(self):
        # Late enough that a model call made at once overtakes it, and early
        # enough to arrive well within the suite's 0.6 s pause: a navigation
        # that let this answer overwrite a newer page would be caught there.
        time.sleep(0.25)
        self.answer(200, "text/html; charset=utf-8", SLOW.encode())


ROUTES = {
    "/redirect": lambda h: h.redirect("/page"),
    "/page": Handler.page,
    "/next": Handler.next_page,
    "/missing": Handler.missing,
    "/oversized": Handler.oversized,
    "/chunked-big": Handler.chunked_big,
    "/loop": Handler.loop,
    "/local": Handler.local,
    "/resources": Handler.resources,
    "/resource-style.css": Handler.stylesheet,
    "/image.png": Handler.image,
    "/broken.png": Handler.broken_image,
    "/resource-big.css": Handler.resource_big,
    "/resource-slow.css": Handler.resource_slow,
    "/resource-cache.css": Handler.resource_cache,
    "/cache": Handler.cache,
    "/download": Handler.download,
    "/slow-download": Handler.slow_download,
    "/set-cookie": Handler.set_cookie,
    "/cookie": Handler.cookie,
    "/slow": Handler.slow,
}


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False


class TlsServer(Server):
    def __init__(self, address, context):
        self.context = context
        super().__init__(address, Handler)

    def get_request(self):
        connection, address = self.socket.accept()
        # The handshake runs in the handler's thread, so a silent client never
        # holds up the accept loop.
        return self.context.wrap_socket(connection, server_side=True, do_handshake_on_connect=False), address


def bind_pair(context):
    """An HTTP server on a free port P and an HTTPS server on P + 1."""
    for _ in range(100):
        plain = Server(("127.0.0.1", 0), Handler)
        port = plain.server_address[1]
        try:
            secure = TlsServer(("127.0.0.1", port + 1), context)
        except OSError:
            plain.server_close()
            continue
        return plain, secure
    raise SystemExit("no two adjacent free ports")


def paths(state):
    return {name: os.path.join(state, name) for name in ("base", "pid", "cert.pem", "key.pem", "server.log")}


def make_certificate(files):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", files["key.pem"], "-out", files["cert.pem"]],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def serve(state):
    files = paths(state)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(files["cert.pem"], files["key.pem"])
    plain, secure = bind_pair(context)
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    temporary = files["base"] + ".tmp"
    with open(temporary, "w") as out:
        out.write("http://127.0.0.1:%d" % plain.server_address[1])
    os.replace(temporary, files["base"])
    plain.serve_forever()


def start(state):
    os.makedirs(state, exist_ok=True)
    files = paths(state)
    stop(state)
    make_certificate(files)
    log = open(files["server.log"], "w")
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", "--state", state],
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    with open(files["pid"], "w") as out:
        out.write(str(child.pid))
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        if os.path.exists(files["base"]):
            print("fixture server listening at " + open(files["base"]).read())
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    sys.stderr.write("fixture server did not start; see %s\n" % files["server.log"])
    return 1


def stop(state):
    files = paths(state)
    try:
        pid = int(open(files["pid"]).read())
    except (OSError, ValueError):
        pid = None
    if pid:
        try:
            os.kill(pid, signal.SIGTERM)
            for _ in range(100):
                os.kill(pid, 0)
                time.sleep(0.05)
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    for name in ("base", "pid"):
        try:
            os.remove(files[name])
        except OSError:
            pass
    return 0


def run(state, command):
    base = open(paths(state)["base"]).read().strip()
    command = [part.replace("{base}", base) for part in command]
    # Tests that find the server through the environment see it too.
    os.environ["KIVO_FIXTURE_BASE"] = base
    os.execvp(command[0], command)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["start", "stop", "run", "serve"])
    parser.add_argument("--state", required=True, help="folder for the certificate, port and process id")
    argv = sys.argv[1:]
    rest = []
    if "--" in argv:
        rest = argv[argv.index("--") + 1:]
        argv = argv[:argv.index("--")]
    arguments = parser.parse_args(argv)
    state = os.path.abspath(arguments.state)
    if arguments.command == "start":
        return start(state)
    if arguments.command == "stop":
        return stop(state)
    if arguments.command == "serve":
        return serve(state)
    if not rest:
        parser.error("run needs a command")
    return run(state, rest)


if __name__ == "__main__":
    sys.exit(main())
