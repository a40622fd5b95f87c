#!/usr/bin/env python3
"""Loopback HTTPS server for the update tests and benchmark.

Usage: https_server.py CERT KEY ROOT PORT_FILE

Serves the files below ROOT on 127.0.0.1 at a free port, and the same over
plain HTTP at a second one; it writes "<https port> <http port>" to PORT_FILE
once both accept connections. Some paths misbehave on purpose:

  /echo-headers            the request's headers as the body
  /status/<code>           that status with a short body
  /redirect?<url>          302 to <url>
  /no-length/<file>        <file> without Content-Length, ended by closing
  /short-body/<n>          announces <n> bytes, sends half, closes
  /stall-body/<n>          announces <n> bytes, sends 20480, then nothing
  /stall-headers           accepts the request and never answers
  any file F with a file F.stall beside it: announced, 20480 bytes sent, then
                           nothing
"""
import http.server
import os
import ssl
import sys
import threading
import time
import urllib.parse

STALL_SECONDS = 120


def main():
    cert, key, root, port_file = sys.argv[1:5]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)

    class Handler(http.server.SimpleHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root, **kwargs)

        def log_message(self, *args):
            pass

        def answer(self, status, body=b"", headers=()):
            self.send_response(status)
            self.send_header("Content-Length", str(len(body)))
            for name, value in headers:
                self.send_header(name, value)
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            path = self.path
            if path == "/echo-headers":
                self.answer(200, str(self.headers).encode())
            elif path.startswith("/status/"):
                self.answer(int(path.split("/")[2]), b"Not Found")
            elif path.startswith("/redirect?"):
                self.answer(302, b"", [("Location", urllib.parse.unquote(path.split("?", 1)[1]))])
            elif path.startswith("/no-length/"):
                with open(os.path.join(root, path[len("/no-length/"):]), "rb") as source:
                    body = source.read()
                self.send_response(200)
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(body)
                self.close_connection = True
            elif path.startswith("/short-body/"):
                length = int(path.split("/")[2])
                self.send_response(200)
                self.send_header("Content-Length", str(length))
                self.end_headers()
                self.wfile.write(b"s" * (length // 2))
                self.close_connection = True
            elif path.startswith("/stall-body/"):
                self.stall(int(path.split("/")[2]))
            elif path == "/stall-headers":
                time.sleep(STALL_SECONDS)
                self.close_connection = True
            elif os.path.exists(self.translate_path(path) + ".stall"):
                self.stall(os.path.getsize(self.translate_path(path)))
            else:
                super().do_GET()

        def stall(self, length):
            self.send_response(200)
            self.send_header("Content-Length", str(length))
            self.end_headers()
            self.wfile.write(b"x" * 20480)
            self.wfile.flush()
            time.sleep(STALL_SECONDS)
            self.close_connection = True

    class Server(http.server.ThreadingHTTPServer):
        daemon_threads = True

        def finish_request(self, request, client_address):
            # The handshake runs on the connection's own thread, so a client
            # that never completes it cannot hold up the others.
            try:
                connection = context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
            try:
                self.RequestHandlerClass(connection, client_address, self)
            except (ssl.SSLError, OSError):
                pass
            finally:
                try:
                    connection.close()
                except OSError:
                    pass

    server = Server(("127.0.0.1", 0), Handler)
    plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=plain.serve_forever, daemon=True).start()
    temporary = port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write(f"{server.server_address[1]} {plain.server_address[1]}")
    os.rename(temporary, port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
