"""tidelight's side of the listing protocol, as the tests' client: the
password token, the escaping of a channel, the reading of the answers and
the decoding of xmlUrl, each done the way the program does them."""

import io
import urllib.request
import xml.etree.ElementTree as ElementTree

KEPT = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!'()*-./:_~"
LISTED_URL_LIMIT = 260


def token(password: bytes) -> str:
    h = 5381
    for byte in password:
        h = (h * 33 + (byte - 256 if byte >= 0x80 else byte)) & 0xFFFFFFFF
    return "".join("%02X" % ((h >> (8 * i)) & 0xFF) for i in range(4))


def escape(channel: bytes) -> str:
    return "".join(
        "+" if byte == 0x20 else chr(byte) if byte in KEPT else "%%%02x" % byte for byte in channel
    )


def decode(value: str) -> bytes:
    """What tidelight makes of an xmlUrl: %XX becomes its byte, everything
    else stays, and a value ends after 260 bytes."""
    raw = value.encode("latin-1")
    out = bytearray()
    i = 0
    while i < len(raw) and len(out) < LISTED_URL_LIMIT:
        pair = raw[i + 1 : i + 3]
        if raw[i] == 0x25 and len(pair) == 2 and all(c in b"0123456789abcdefABCDEF" for c in pair):
            out.append(int(pair, 16))
            i += 3
        else:
            out.append(raw[i])
            i += 1
    return bytes(out)


def query(user: bytes, password: bytes, channel=None) -> str:
    # The user name goes in exactly as typed.
    text = "user=" + user.decode("latin-1") + "&password=" + token(password)
    if channel is not None:
        text += "&channel=" + escape(channel)
    return text


def read_answer(body: bytes):
    """("opml", [urls]), ("success", text) or ("error", text), as tidelight
    reads them; ("unknown", body) for anything else."""
    try:
        root = ElementTree.fromstring(body)
    except ElementTree.ParseError:
        return ("unknown", body)
    if root.tag == "opml":
        bodies = [child for child in root if child.tag == "body"]
        if not bodies:
            return ("opml", [])
        return ("opml", [decode(o.get("xmlUrl", "")) for o in bodies[0] if o.tag == "outline"])
    if root.tag in ("success", "error"):
        return (root.tag, root.text or "")
    return ("unknown", body)


class Requests:
    """list, add and remove, as tidelight sends them: call.add(user, password, url)."""

    def __getattr__(self, operation):
        if operation not in ("list", "add", "remove"):
            raise AttributeError(operation)
        return lambda *arguments, **options: self(operation + ".php", *arguments, **options)


class Caller(Requests):
    """Calls a WSGI application in the test's own process, with the environ
    a server would give it."""

    def __init__(self, app, address="127.0.0.1"):
        self.app = app
        self.address = address
        self.status = None
        self.headers = None
        self.errors = io.StringIO()

    def raw(self, script, query_text, method="GET", address=None):
        environ = {
            "REQUEST_METHOD": method,
            "PATH_INFO": "/" + script,
            "QUERY_STRING": query_text,
            "REMOTE_ADDR": address or self.address,
            "SERVER_NAME": "127.0.0.1",
            "SERVER_PORT": "80",
            "SERVER_PROTOCOL": "HTTP/1.1",
            "wsgi.url_scheme": "http",
            "wsgi.input": io.BytesIO(),
            "wsgi.errors": self.errors,
        }

        def start_response(status, headers):
            self.status, self.headers = status, dict(headers)

        return b"".join(self.app(environ, start_response))

    def __call__(self, script, user, password, channel=None, **options):
        return read_answer(self.raw(script, query(user, password, channel), **options))


class HttpCaller(Requests):
    """The same over HTTP, to a server on 127.0.0.1."""

    # Straight to the server, whatever proxy the environment names.
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))

    def __init__(self, base):
        self.base = base

    def __call__(self, script, user, password, channel=None):
        url = self.base + script + "?" + query(user, password, channel)
        with self.opener.open(url, timeout=30) as answer:
            return read_answer(answer.read())
