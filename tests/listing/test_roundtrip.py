"""Any URL tidelight adds comes back from list.php byte for byte, and
remove.php with the same URL removes it."""

import threading
from wsgiref.simple_server import make_server

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from client import Caller, HttpCaller, token
from listing.protocol import ListingService, Policy
from listing.server import QuietHandler, ThreadingServer, create_app
from listing.store import open_store

PASSWORD = b"pw"

HOSTILE = [
    b"http://h/" + bytes(range(1, 128)),
    b"http://h/" + bytes(range(128, 256)),
    b"%",
    b"%25",
    b"%%41%4",
    b"%zz%4g",
    b"a+b c",
    b"&amp;&#x41;&#65;&lt;",
    b'"><error>x</error><!--',
    b"]]><![CDATA[",
    b"\r\n\t \x0b\x0c",
    b"\xef\xbb\xbfhttp://h/",
    b"http://h/caf\xc3\xa9/\xe9\x80",
    b"  leading and trailing  ",
    b"http://example.com/" + b"%" * 241,
]


@pytest.fixture
def http(database):
    server = make_server("127.0.0.1", 0, create_app(database, token_cost=1), ThreadingServer, QuietHandler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield HttpCaller("http://127.0.0.1:%d/" % server.server_address[1])
    server.shutdown()
    server.server_close()


def test_hostile_urls_come_back_byte_for_byte_over_http(http):
    for url in HOSTILE:
        assert http.add(b"alice", PASSWORD, url) == ("success", "added")
    assert http.list(b"alice", PASSWORD) == ("opml", HOSTILE)
    for url in HOSTILE:
        assert http.remove(b"alice", PASSWORD, url) == ("success", "removed")
    assert http.list(b"alice", PASSWORD) == ("opml", [])


def test_listed_urls_are_plain_ascii_text(database):
    call = Caller(ListingService(open_store(database), Policy(token_cost=1)))
    for url in HOSTILE:
        call.add(b"alice", PASSWORD, url)
    body = call.raw("list.php", "user=alice&password=" + token(PASSWORD)).replace(b"\n", b"")
    assert body.count(b"<outline") == len(HOSTILE)
    assert all(0x20 <= byte <= 0x7E for byte in body)


@pytest.mark.parametrize("kind", ["sqlite", "postgresql"])
def test_any_url_comes_back_byte_for_byte(kind, tmp_path_factory, request):
    if kind == "sqlite":
        database = str(tmp_path_factory.mktemp("roundtrip") / "listing.sqlite3")
    else:
        database = request.getfixturevalue("postgres_url")
    call = Caller(ListingService(open_store(database), Policy(token_cost=1, burst=10**9)))
    users = iter(range(10**6))

    # Every byte but zero, which no C string of tidelight's can hold.
    url = st.lists(st.integers(1, 255), min_size=1, max_size=260).map(bytes)

    @settings(max_examples=150, deadline=None, database=None, suppress_health_check=[HealthCheck.too_slow])
    @given(st.lists(url, min_size=1, max_size=3, unique=True))
    def round_trip(urls):
        user = b"%s-%d" % (kind.encode(), next(users))
        for url in urls:
            assert call.add(user, PASSWORD, url) == ("success", "added")
        assert call.list(user, PASSWORD) == ("opml", urls)
        assert call.remove(user, PASSWORD, urls[0]) == ("success", "removed")
        assert call.list(user, PASSWORD) == ("opml", urls[1:])

    round_trip()
