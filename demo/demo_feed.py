#!/usr/bin/env python3
"""Serves tidelight's demo channel on 127.0.0.1: an RSS 2.0 feed whose
headlines are our own, with a fresh one every minute, so a new user sees the
panel at work without any internet connection."""

import argparse
import html
import http.server
import time

TOPICS = [
    ("Welcome to tidelight", "Headlines slide in at the right edge of your screen, one at a time."),
    ("Hover to keep a headline", "While the pointer rests on the panel, the headline stays."),
    ("Double-click to read more", "The link of a headline opens in your browser."),
    ("Drag the knob", "The knob in the right-hand column moves the panel up and down."),
    ("Two layouts", "The layout button switches between the full and the compact panel."),
    ("Browse the history", "Left and right arrow keys, or the mouse wheel, browse the last headlines."),
    ("Repeat and dismiss", "The tray menu replays the last headlines or dismisses the waiting ones."),
    ("Channels of your own", "Add any RSS or Atom address as a channel in the configuration."),
]

START = time.time()


def feed(port):
    minutes = int((time.time() - START) // 60)
    items = []
    for number in range(len(TOPICS) + minutes):
        title, text = TOPICS[number % len(TOPICS)]
        if number >= len(TOPICS):
            title = "%s (%d)" % (title, number // len(TOPICS) + 1)
        items.append(
            "<item><title>%s</title><link>http://127.0.0.1:%d/item/%d</link>"
            "<description>%s</description></item>" % (html.escape(title), port, number, html.escape(text)))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel>'
            "<title>tidelight demo</title><link>http://127.0.0.1:%d/</link>"
            "<description>A channel served on your own machine</description>%s</channel></rss>\n"
            % (port, "".join(items))).encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        port = self.server.server_address[1]
        if self.path == "/demo.xml":
            body, kind = feed(port), "application/rss+xml"
        else:
            body = ("<html><body><h1>tidelight demo</h1><p>%s</p></body></html>"
                    % html.escape(self.path)).encode("utf-8")
            kind = "text/html"
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--port", type=int, default=47311)
    arguments = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", arguments.port), Handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
