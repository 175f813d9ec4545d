"""Any URL tidelight adds comes back from list.php byte for byte, in a body
of plain ASCII, and remove.php with the same URL removes it. Over HTTP the
same travels in test_concurrency and in the Windows sync test."""

from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from client import Caller, token
from listing.protocol import ListingService, Policy
from listing.store import open_store

PASSWORD = b"pw"

HOSTILE = [
    b"http://h/" + bytes(range(1, 128)), b"http://h/" + bytes(range(128, 256)), b"%", b"%25", b"%%41%4", b"%zz%4g",
    b"a+b c", b"&amp;&#x41;&#65;&lt;", b'"><error>x</error><!--', b"]]><![CDATA[", b"\r\n\t \x0b\x0c",
    b"\xef\xbb\xbfhttp://h/", b"http://h/caf\xc3\xa9/\xe9\x80", b"  leading and trailing  ",
    b"http://example.com/" + b"%" * 241,
]


def test_any_url_comes_back_byte_for_byte_as_plain_ascii(database):
    call = Caller(ListingService(open_store(database), Policy(token_cost=1, burst=10**9)))
    users = iter(range(10**6))

    def round_trip(urls):
        user = b"user-%d" % next(users)
        for url in urls:
            assert call.add(user, PASSWORD, url) == ("success", "added")
        body = call.raw("list.php", "user=%s&password=%s" % (user.decode(), token(PASSWORD))).replace(b"\n", b"")
        assert body.count(b"<outline") == len(urls) and all(0x20 <= byte <= 0x7E for byte in body)
        assert call.list(user, PASSWORD) == ("opml", urls)
        assert call.remove(user, PASSWORD, urls[0]) == ("success", "removed")
        assert call.list(user, PASSWORD) == ("opml", urls[1:])

    round_trip(HOSTILE)
    # Every byte but zero, which no C string of tidelight's can hold.
    url = st.lists(st.integers(1, 255), min_size=1, max_size=260).map(bytes)
    settings(max_examples=150, deadline=None, database=None, suppress_health_check=[HealthCheck.too_slow])(
        given(st.lists(url, min_size=1, max_size=3, unique=True))(round_trip))()
