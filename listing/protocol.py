"""The listing service: keeps a copy of each user's tidelight channel list.

Three GET requests, each answered with a small XML document:

  list.php?user=U&password=T            <opml><body><outline xmlUrl="..."/>...
  add.php?user=U&password=T&channel=C   <success>...</success>
  remove.php?user=U&password=T&channel=C
  any refusal                           <error>message</error>

T is the client's 8-digit hexadecimal password token. C arrives with a space
as "+" and other bytes as %xx. tidelight reads xmlUrl by turning each %xx
into its byte and keeping everything else, so each listed URL is written so
that this gives back exactly the bytes that were added.
"""

import hashlib
import hmac
import math
import os
import re
import time
import traceback
from dataclasses import dataclass
from urllib.parse import unquote_to_bytes

from . import store as storage


@dataclass(frozen=True)
class Policy:
    user_bytes: int = 128  # longest user name, in bytes
    url_bytes: int = 260  # longest channel URL: tidelight keeps 260 bytes of a listed one
    channels: int = 1000  # most channels in one listing
    query_bytes: int = 4096  # longest query string
    burst: float = 1200  # requests one address may send at once (a full sync of a full listing)
    per_second: float = 10  # and on average from then on
    free_failures: int = 4  # wrong tokens in a row before the account locks
    first_lock: float = 2  # seconds; each further wrong token doubles it
    longest_lock: float = 3600
    token_cost: int = 14  # scrypt's N is 2 to this power


class Refusal(Exception):
    """A request the service turns down; its text is the error answer."""


# Token hashing. The token is only a 32-bit hash of the password, so a
# stolen database could be searched through; a salted memory-hard hash makes
# that take years rather than minutes.


def make_secret(token: bytes, cost: int) -> str:
    salt = os.urandom(16)
    return "scrypt$%d$%s$%s" % (cost, salt.hex(), _scrypt(token, salt, cost).hex())


def token_matches(secret: str, token: bytes) -> bool:
    kind, cost, salt, digest = secret.split("$")
    if kind != "scrypt":
        return False
    return hmac.compare_digest(_scrypt(token, bytes.fromhex(salt), int(cost)).hex(), digest)


def _scrypt(token, salt, cost):
    n = 1 << cost
    return hashlib.scrypt(token, salt=salt, n=n, r=8, p=1, maxmem=max(32 << 20, 2 * 128 * 8 * n), dklen=32)


# Answers.

_ENTITIES = {ord("&"): "&amp;", ord("<"): "&lt;", ord(">"): "&gt;", ord('"'): "&quot;"}


def listed_url(url: bytes) -> str:
    """The xmlUrl attribute's text for a URL. A "%" must become %25, or the
    client would decode what follows it. Control bytes and bytes above 0x7E
    go as %XX too: an XML parser turns tabs and line ends into spaces and
    may re-encode the others; a space goes as %20, as in any URL. The XML
    characters become entities, which every parser undoes."""
    out = []
    for byte in url:
        if byte in _ENTITIES:
            out.append(_ENTITIES[byte])
        elif 0x21 <= byte <= 0x7E and byte != 0x25:
            out.append(chr(byte))
        else:
            out.append("%%%02X" % byte)
    return "".join(out)


def _text(message: str) -> str:
    """XML text for a message, in plain ASCII whatever it quotes."""
    return "".join(
        _ENTITIES.get(ord(c), c) if 0x20 <= ord(c) <= 0x7E else "?" for c in message
    )


_DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>\n'


def opml(urls) -> str:
    outlines = "".join('<outline type="rss" xmlUrl="%s"/>\n' % listed_url(url) for url in urls)
    return (
        _DECLARATION + '<opml version="1.0"><head><title>tidelight channels</title></head>\n'
        "<body>\n%s</body></opml>\n" % outlines
    )


def success(what: str) -> str:
    return _DECLARATION + "<success>%s</success>\n" % _text(what)


def error(message: str) -> str:
    # Never empty: tidelight takes an error without text for success.
    return _DECLARATION + "<error>%s</error>\n" % _text(message or "Refused")


# Requests.

_TOKEN = re.compile(rb"[0-9A-Fa-f]{8}\Z")
_NAMES = {"list.php": ("user", "password"), "add.php": ("user", "password", "channel")}
_NAMES["remove.php"] = _NAMES["add.php"]


def parameters(query: str, wanted, policy: Policy) -> dict:
    """The query's parameters as bytes, checked against the limits."""
    if len(query) > policy.query_bytes:
        raise Refusal("The request is longer than %d bytes" % policy.query_bytes)
    try:
        # WSGI servers hand the query over as its bytes read as Latin-1.
        raw = query.encode("latin-1")
    except UnicodeEncodeError:
        raise Refusal("The request is not in bytes")
    found = {}
    for piece in raw.split(b"&"):
        if not piece:
            continue
        name, _, value = piece.partition(b"=")
        name = name.decode("latin-1")
        # tidelight puts the user name into the query as typed, so an "&" in
        # it starts a parameter of its own. Ignoring that parameter would
        # hand the user someone else's account (the part before the "&").
        if name not in wanted:
            raise Refusal("Unexpected parameter %s (a user name cannot hold '&')" % name)
        if name in found:
            raise Refusal("The parameter %s is given twice (a user name cannot hold '&')" % name)
        found[name] = value
    for name in wanted:
        if name not in found:
            raise Refusal("The request has no %s" % name)

    user = unquote_to_bytes(found["user"])
    if not user:
        raise Refusal("The user name is empty")
    if len(user) > policy.user_bytes:
        raise Refusal("The user name is longer than %d bytes" % policy.user_bytes)
    if any(byte < 0x20 or byte == 0x7F for byte in user):
        raise Refusal("The user name holds a control character")
    if not _TOKEN.match(found["password"]):
        raise Refusal("The password token is not 8 hexadecimal digits")
    checked = {"user": user, "token": found["password"].upper()}
    if "channel" in wanted:
        # A space travels as "+", and a real "+" as %2b.
        url = unquote_to_bytes(found["channel"].replace(b"+", b" "))
        if not url:
            raise Refusal("The channel URL is empty")
        if len(url) > policy.url_bytes:
            raise Refusal("The channel URL is longer than %d bytes" % policy.url_bytes)
        if 0 in url:
            raise Refusal("The channel URL holds a zero byte")
        checked["url"] = url
    return checked


class ListingService:
    """The WSGI application."""

    def __init__(self, store, policy=Policy(), clock=time.time):
        self.store = store
        self.policy = policy
        self.clock = clock

    def __call__(self, environ, start_response):
        # The last path segment names the request, so the service can sit
        # under any prefix of a larger site.
        operation = environ.get("PATH_INFO", "").rsplit("/", 1)[-1]
        status = "200 OK"
        if operation not in _NAMES:
            status, body = "404 Not Found", error("Not a request of the listing service")
        elif environ.get("REQUEST_METHOD") != "GET":
            status, body = "405 Method Not Allowed", error("Only GET is served")
        else:
            try:
                body = self._answer(operation, environ)
            except Refusal as refusal:
                body = error(str(refusal))
            except Exception:
                traceback.print_exc(file=environ["wsgi.errors"])
                status, body = "503 Service Unavailable", error("The listing service failed; try again later")
        data = body.encode("ascii")
        start_response(
            status,
            [
                ("Content-Type", "text/xml; charset=utf-8"),
                ("Content-Length", str(len(data))),
                # tidelight's HTTP layer keeps a cache and falls back on it;
                # a listing from it could be stale.
                ("Cache-Control", "no-store, no-cache"),
                ("Pragma", "no-cache"),
                ("Expires", "Thu, 01 Jan 1970 00:00:00 GMT"),
            ],
        )
        return [data]

    def _answer(self, operation, environ):
        policy = self.policy
        address = environ.get("REMOTE_ADDR", "")
        if not self.store.take_request(address, self.clock(), policy.burst, policy.per_second):
            raise Refusal("Too many requests from your address; try again in a minute")
        request = parameters(environ.get("QUERY_STRING", ""), _NAMES[operation], policy)
        if operation == "list.php":
            return self.list(**request)
        if operation == "add.php":
            return self.add(**request)
        return self.remove(**request)

    def list(self, user, token):
        account = self.store.account(user)
        if account is None:
            return opml([])
        self._check(user, account, token)
        return opml(self.store.channels(user))

    def add(self, user, token, url):
        account = self.store.account(user)
        # The first add makes the account, with this token. Of two first adds
        # at once only one makes it; the other is checked against it.
        if account is not None or not self.store.create_account(user, make_secret(token, self.policy.token_cost)):
            self._check(user, account or self.store.account(user), token)
        result = self.store.add_channel(user, url, self.policy.channels)
        if result == storage.FULL:
            raise Refusal("The listing is full: it holds %d channels, the most it may" % self.policy.channels)
        return success("added" if result == storage.ADDED else "already listed")

    def remove(self, user, token, url):
        account = self.store.account(user)
        if account is None:
            return success("not listed")
        self._check(user, account, token)
        return success("removed" if self.store.remove_channel(user, url) else "not listed")

    def _check(self, user, account, token):
        """Refuses a locked account or a wrong token; each wrong token after
        the first few locks the account twice as long as the one before."""
        policy = self.policy
        now = self.clock()
        if account.locked_until > now:
            # Not even the right token gets in: otherwise the lock would not
            # slow down guessing at all.
            raise Refusal(
                "Too many wrong passwords for this user; try again in %d seconds"
                % math.ceil(account.locked_until - now)
            )
        if token_matches(account.secret, token):
            if account.failures:
                self.store.clear_failures(user)
            return
        failures = self.store.note_failure(user)
        if failures <= policy.free_failures:
            raise Refusal("Wrong password for this user")
        doublings = min(failures - policy.free_failures - 1, 64)
        lock = min(policy.first_lock * 2.0**doublings, policy.longest_lock)
        self.store.lock(user, now + lock)
        raise Refusal("Wrong password for this user; it is locked for %d seconds" % math.ceil(lock))
