"""Feeds for the idle, memory and start-up benchmarks, on 127.0.0.1 only.

/quiet.xml?c=N     a channel with no items: polled, but nothing to show
/changing.xml?c=N  a channel whose build date changes every minute and which
                   gains one item every ten minutes (channels take turns, so
                   200 of them bring 20 headlines a minute)
/one.xml?r=N       one headline, new for every N
"""

import sys
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def changing(channel, minute):
    newest = (minute + channel) // 10
    items = "".join(
        f"<item><title>Channel {channel} headline {n}</title>"
        f"<link>http://127.0.0.1/{channel}/{n}</link>"
        f"<description>Item {n} of channel {channel}, with a line of text.</description></item>"
        for n in range(newest, max(newest - 20, -1), -1))
    return (f"<rss version=\"2.0\"><channel><title>Changing {channel}</title>"
            f"<lastBuildDate>minute {minute}</lastBuildDate>{items}</channel></rss>")


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        number = int(query.get("c", query.get("r", "0")))
        if url.path == "/quiet.xml":
            body = f"<rss version=\"2.0\"><channel><title>Quiet {number}</title></channel></rss>"
        elif url.path == "/changing.xml":
            body = changing(number, int(time.time() // 60))
        elif url.path == "/one.xml":
            body = (f"<rss version=\"2.0\"><channel><title>Start-up</title><item><title>Headline of run {number}"
                    f"</title><link>http://127.0.0.1/{number}</link></item></channel></rss>")
        else:
            self.send_error(404)
            return
        data = body.encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/rss+xml")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


if __name__ == "__main__":
    ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
