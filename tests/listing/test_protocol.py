"""The answers of the listing service, over both stores."""

import dataclasses

import pytest

from client import Caller, escape, read_answer, token
from listing.protocol import ListingService, Policy, token_matches
from listing.store import open_store

# Cheap token hashing keeps the tests quick; the stored form and its check
# are the same at every cost.
FAST = Policy(token_cost=1)
ALICE, BOB = b"alice", b"bob"
SECRET, OTHER = b"s3cret", b"guess"
FEED, FEED2 = b"http://example.com/feed.xml", b"http://example.org/atom?id=2&x=y"


class Clock:
    def __init__(self):
        self.now = 1_000_000.0

    def __call__(self):
        return self.now


@pytest.fixture
def clock():
    return Clock()


def service(store, clock, **limits):
    return Caller(ListingService(store, dataclasses.replace(FAST, **limits), clock))


@pytest.fixture
def call(store, clock):
    return service(store, clock)


def test_the_client_model_follows_tidelight():
    # Everything below relies on this model of the client being right.
    assert token(b"abc") == "8B5C880B"
    assert token(b"") == "05150000"
    assert escape(b"/c?x=1&y=2 z") == "/c%3fx%3d1%26y%3d2+z"
    assert escape(b"http://h/\x01\xff") == "http://h/%01%ff"


def test_a_user_never_seen_gets_an_empty_listing_whatever_the_password(call):
    assert call.list(ALICE, SECRET) == ("opml", [])
    assert call.list(ALICE, OTHER) == ("opml", [])


@pytest.mark.parametrize(
    "steps, listing",
    [
        ([("add", FEED)], [FEED]),
        ([("add", FEED), ("add", FEED2)], [FEED, FEED2]),
        ([("add", FEED2), ("add", FEED)], [FEED2, FEED]),
        ([("add", FEED), ("add", FEED)], [FEED]),
        ([("add", FEED), ("add", FEED2), ("remove", FEED)], [FEED2]),
        ([("add", FEED), ("remove", FEED2)], [FEED]),
        ([("add", FEED), ("remove", FEED), ("add", FEED)], [FEED]),
        # Entries are bytes: case and a trailing slash make other entries.
        ([("add", FEED), ("add", FEED.upper()), ("add", FEED + b"/")], [FEED, FEED.upper(), FEED + b"/"]),
    ],
)
def test_adds_and_removes_make_the_listing_in_order_of_adding(call, steps, listing):
    for operation, url in steps:
        kind, _ = getattr(call, operation)(ALICE, SECRET, url)
        assert kind == "success"
    assert call.list(ALICE, SECRET) == ("opml", listing)


@pytest.mark.parametrize(
    "operation, url, text",
    [
        ("add", FEED2, "added"),
        ("add", FEED, "already listed"),
        ("remove", FEED, "removed"),
        ("remove", FEED2, "not listed"),
    ],
)
def test_success_says_what_was_done(call, operation, url, text):
    call.add(ALICE, SECRET, FEED)
    assert getattr(call, operation)(ALICE, SECRET, url) == ("success", text)


def test_answers_are_xml_that_no_cache_keeps(call):
    call.add(ALICE, SECRET, FEED)
    body = call.raw("list.php", "user=alice&password=" + token(SECRET))
    assert call.status == "200 OK"
    assert body.startswith(b"<?xml") and b'<outline type="rss" xmlUrl="http://example.com/feed.xml"/>' in body
    assert call.headers["Content-Type"].startswith("text/xml")
    assert "no-store" in call.headers["Cache-Control"]
    assert int(call.headers["Content-Length"]) == len(body)


def test_a_lower_case_token_is_the_same_token(call):
    call.add(ALICE, SECRET, FEED)
    assert call.raw("list.php", "user=alice&password=" + token(SECRET).lower()).count(b"<outline") == 1


def test_the_first_add_makes_the_account_with_its_password(call):
    assert call.add(ALICE, SECRET, FEED) == ("success", "added")
    for operation in (lambda p: call.list(ALICE, p), lambda p: call.add(ALICE, p, FEED2),
                      lambda p: call.remove(ALICE, p, FEED)):
        assert operation(OTHER) == ("error", "Wrong password for this user")
    assert call.list(ALICE, SECRET) == ("opml", [FEED])


def test_remove_for_a_user_never_seen_makes_no_account(call):
    assert call.remove(ALICE, OTHER, FEED) == ("success", "not listed")
    assert call.add(ALICE, SECRET, FEED) == ("success", "added")
    assert call.list(ALICE, SECRET) == ("opml", [FEED])


def test_listings_are_kept_apart(call):
    call.add(ALICE, SECRET, FEED)
    call.add(BOB, SECRET, FEED2)
    call.remove(BOB, SECRET, FEED)
    assert call.list(ALICE, SECRET) == ("opml", [FEED])
    assert call.list(BOB, SECRET) == ("opml", [FEED2])


def test_tokens_are_kept_only_as_salted_hashes(store, call):
    call.add(ALICE, SECRET, FEED)
    call.add(BOB, SECRET, FEED)
    alice, bob = store.account(ALICE), store.account(BOB)
    assert token(SECRET) not in alice.secret.upper()
    assert alice.secret != bob.secret
    assert token_matches(alice.secret, token(SECRET).encode()) and token_matches(bob.secret, token(SECRET).encode())
    assert not token_matches(alice.secret, token(OTHER).encode())


# The lockout, with 4 free failures and a first lock of 2 seconds: each row
# is (password, seconds to wait before it, answer).
LOCKED = "Too many wrong passwords for this user; try again in %d seconds"
WRONG = ("error", "Wrong password for this user")


def locked_for(seconds):
    return ("error", "Wrong password for this user; it is locked for %d seconds" % seconds)


@pytest.mark.parametrize(
    "attempts",
    [
        pytest.param([(OTHER, 0, WRONG)] * 4 + [(SECRET, 0, ("opml", [FEED]))], id="four-free"),
        pytest.param([(OTHER, 0, WRONG)] * 4 + [(OTHER, 0, locked_for(2)), (SECRET, 1, ("error", LOCKED % 1)),
                                                (SECRET, 1, ("opml", [FEED]))], id="fifth-locks"),
        pytest.param([(OTHER, 0, WRONG)] * 4 + [(OTHER, 0, locked_for(2)), (OTHER, 2, locked_for(4)),
                                                (OTHER, 4, locked_for(8)), (SECRET, 7.5, ("error", LOCKED % 1))],
                     id="doubling"),
        pytest.param([(OTHER, 0, WRONG)] * 4 + [(OTHER, 0, locked_for(2)), (OTHER, 1, ("error", LOCKED % 1)),
                                                (OTHER, 1, locked_for(4))], id="locked-tries-do-not-count"),
        pytest.param([(OTHER, 0, WRONG)] * 3 + [(SECRET, 0, ("opml", [FEED]))] + [(OTHER, 0, WRONG)] * 4
                     + [(OTHER, 0, locked_for(2))], id="success-resets"),
        pytest.param([(OTHER, 0, WRONG)] * 4 + [(OTHER, 0, locked_for(2))]
                     + [(OTHER, 60, locked_for(min(2 ** (n + 1), 30))) for n in range(1, 7)], id="capped"),
    ],
)
def test_wrong_passwords_lock_the_account_for_growing_times(store, clock, attempts):
    call = service(store, clock, longest_lock=30)
    call.add(ALICE, SECRET, FEED)
    for number, (password, wait, answer) in enumerate(attempts):
        clock.now += wait
        assert call.list(ALICE, password) == answer, "attempt %d" % number
    assert call.list(BOB, SECRET) == ("opml", [])


def test_the_lock_holds_for_every_worker_and_every_request(database, clock):
    first = service(open_store(database), clock)
    second = service(open_store(database), clock)
    first.add(ALICE, SECRET, FEED)
    for _ in range(5):
        first.list(ALICE, OTHER)
    for answer in (second.list(ALICE, SECRET), second.add(ALICE, SECRET, FEED2), second.remove(ALICE, SECRET, FEED)):
        assert answer == ("error", LOCKED % 2)
    clock.now += 2
    assert second.list(ALICE, SECRET) == ("opml", [FEED])


def test_a_lock_after_very_many_failures_is_the_longest(store, clock, call):
    call.add(ALICE, SECRET, FEED)
    with store._transaction() as cursor:
        cursor.execute(store._sql("UPDATE accounts SET failures = 5000 WHERE name = ?"), (ALICE,))
    assert call.list(ALICE, OTHER) == locked_for(3600)


# Refused requests: each leaves the other user's listing and its own as they were.
LONG_USER = b"u" * 129
LONG_URL = b"http://example.com/" + b"x" * 242


@pytest.mark.parametrize(
    "script, query_text, message",
    [
        ("list.php", "password=05150000", "The request has no user"),
        ("list.php", "user=carol", "The request has no password"),
        ("add.php", "user=carol&password=05150000", "The request has no channel"),
        ("list.php", "user=&password=05150000", "The user name is empty"),
        ("list.php", "user=%s&password=05150000" % LONG_USER.decode(), "The user name is longer than 128 bytes"),
        ("list.php", "user=ca%0Arol&password=05150000", "The user name holds a control character"),
        ("list.php", "user=ca\x7frol&password=05150000", "The user name holds a control character"),
        ("list.php", "user=carol&password=0515000", "The password token is not 8 hexadecimal digits"),
        ("list.php", "user=carol&password=051500000", "The password token is not 8 hexadecimal digits"),
        ("list.php", "user=carol&password=0515000G", "The password token is not 8 hexadecimal digits"),
        ("list.php", "user=carol&password=s3cret", "The password token is not 8 hexadecimal digits"),
        ("add.php", "user=carol&password=05150000&channel=", "The channel URL is empty"),
        ("add.php", "user=carol&password=05150000&channel=" + escape(LONG_URL),
         "The channel URL is longer than 260 bytes"),
        ("add.php", "user=carol&password=05150000&channel=http://a/%00b", "The channel URL holds a zero byte"),
        ("list.php", "user=carol&password=05150000&channel=http://a/", "Unexpected parameter channel"
         " (a user name cannot hold '&')"),
        # A user name with "&" as tidelight sends it, unescaped.
        ("list.php", "user=bob&x=1&password=05150000", "Unexpected parameter x (a user name cannot hold '&')"),
        ("add.php", "user=bob&channel=evil&password=05150000&channel=http://a/",
         "The parameter channel is given twice (a user name cannot hold '&')"),
        ("list.php", "user=carol&password=05150000&" + "x" * 4096, "The request is longer than 4096 bytes"),
        ("list.php", "user=carol&password=05150000&<b>=&", "Unexpected parameter <b> (a user name cannot hold '&')"),
    ],
)
def test_bad_requests_are_refused_and_change_nothing(call, script, query_text, message):
    call.add(BOB, SECRET, FEED)
    call.add(b"carol", b"", FEED2)
    assert read_answer(call.raw(script, query_text)) == ("error", message)
    assert call.list(BOB, SECRET) == ("opml", [FEED])
    assert call.list(b"carol", b"") == ("opml", [FEED2])


@pytest.mark.parametrize(
    "user, url",
    [
        (b"u" * 128, FEED),
        (b"caf\xc3\xa9 & co".replace(b"&", b"%26").replace(b" ", b"%20"), FEED),
        (b"a+b", FEED),
        (ALICE, b"http://example.com/" + b"x" * 241),
    ],
)
def test_requests_at_the_limits_are_served(call, user, url):
    assert call.add(user, SECRET, url) == ("success", "added")
    assert call.list(user, SECRET) == ("opml", [url])


def test_a_user_name_is_taken_percent_decoded_and_plus_as_plus(call):
    call.add(b"a%20b", SECRET, FEED)
    call.add(b"a+b", SECRET, FEED2)
    assert call.list(b"a b".replace(b" ", b"%20"), SECRET) == ("opml", [FEED])
    assert call.list(b"a%2bb", SECRET) == ("opml", [FEED2])


def test_a_full_listing_refuses_new_channels_only(store, clock):
    call = service(store, clock, channels=3)
    urls = [b"http://example.com/%d" % n for n in range(4)]
    for url in urls[:3]:
        assert call.add(ALICE, SECRET, url) == ("success", "added")
    assert call.add(ALICE, SECRET, urls[3]) == ("error", "The listing is full: it holds 3 channels, the most it may")
    assert call.add(ALICE, SECRET, urls[0]) == ("success", "already listed")
    assert call.add(BOB, SECRET, urls[3]) == ("success", "added")
    call.remove(ALICE, SECRET, urls[1])
    assert call.add(ALICE, SECRET, urls[3]) == ("success", "added")
    assert call.list(ALICE, SECRET) == ("opml", [urls[0], urls[2], urls[3]])


def test_each_address_gets_a_burst_and_then_a_steady_rate(store, clock):
    call = service(store, clock, burst=3, per_second=0.5)
    too_many = ("error", "Too many requests from your address; try again in a minute")
    for _ in range(3):
        assert call.list(ALICE, SECRET) == ("opml", [])
    assert call.add(ALICE, SECRET, FEED) == too_many
    assert call.list(ALICE, SECRET, address="127.0.0.2") == ("opml", [])
    clock.now += 1
    assert call.list(ALICE, SECRET) == too_many
    clock.now += 1
    assert call.add(ALICE, SECRET, FEED) == ("success", "added")
    assert call.list(ALICE, SECRET) == too_many
    clock.now += 3600
    for _ in range(3):
        assert call.list(ALICE, SECRET) == ("opml", [FEED])
    assert call.list(ALICE, SECRET) == too_many


@pytest.mark.parametrize(
    "path, method, status",
    [("index.html", "GET", "404 Not Found"), ("list.php", "POST", "405 Method Not Allowed"),
     ("listing/list.php", "GET", "200 OK")],
)
def test_other_requests(call, path, method, status):
    body = call.raw(path, "user=alice&password=05150000", method=method)
    assert call.status == status
    assert (b"<opml" in body) == (status == "200 OK")


class BrokenStore:
    def __getattr__(self, name):
        def fail(*_):
            raise OSError("disk on fire")

        return fail


def test_a_failing_store_gives_an_error_with_text():
    call = Caller(ListingService(BrokenStore(), FAST))
    assert call.list(ALICE, SECRET) == ("error", "The listing service failed; try again later")
    assert call.status == "503 Service Unavailable"
    assert "disk on fire" in call.errors.getvalue()
