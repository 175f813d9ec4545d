"""Runs the listing service on 127.0.0.1, or builds it for another WSGI
server:

  python3 -m listing.server [--port N] [--database FILE-or-postgresql-URL]
  gunicorn --workers 4 --bind 127.0.0.1:47312 \\
      'listing.server:create_app(database="postgresql:///tidelight")'
"""

import argparse
import os
import socketserver
import sys
from wsgiref.simple_server import WSGIRequestHandler, WSGIServer, make_server

from .protocol import ListingService, Policy
from .store import open_store

DEFAULT_PORT = 47312
DEFAULT_DATABASE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data", "listing.sqlite3")


def create_app(database=None, **policy):
    """The WSGI application over a SQLite file or a postgresql:// URL; the
    keywords override the limits of Policy."""
    return ListingService(open_store(database or DEFAULT_DATABASE), Policy(**policy))


class ThreadingServer(socketserver.ThreadingMixIn, WSGIServer):
    # A client that stalls must not hold up everyone else.
    daemon_threads = True


class QuietHandler(WSGIRequestHandler):
    def log_message(self, *args):
        pass


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="scripts/listing-server",
        description="Serves tidelight's listing service (list.php, add.php, remove.php) on 127.0.0.1.",
    )
    parser.add_argument("--port", type=int, default=DEFAULT_PORT, help="port on 127.0.0.1 (default %(default)s)")
    parser.add_argument(
        "--database",
        default=DEFAULT_DATABASE,
        help="a SQLite file, or a postgresql:// connection string (default: data/listing.sqlite3)",
    )
    parser.add_argument("--quiet", action="store_true", help="do not log each request")
    arguments = parser.parse_args(argv)
    application = create_app(arguments.database)
    handler = QuietHandler if arguments.quiet else WSGIRequestHandler
    with make_server("127.0.0.1", arguments.port, application, ThreadingServer, handler) as server:
        print("listing service on http://127.0.0.1:%d/" % arguments.port, file=sys.stderr, flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
