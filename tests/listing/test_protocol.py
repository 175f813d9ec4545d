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
WRONG = ("error", "Wrong password for this user")


class Clock:
    now = 1_000_000.0

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
    assert (token(b"abc"), token(b"")) == ("8B5C880B", "05150000")
    assert escape(b"/c?x=1&y=2 z\x01\xff") == "/c%3fx%3d1%26y%3d2+z%01%ff"


@pytest.mark.parametrize(
    "steps, listing",
    [
        ([("add", FEED, "added"), ("add", FEED2, "added")], [FEED, FEED2]),
        ([("add", FEED2, "added"), ("add", FEED, "added")], [FEED2, FEED]),
        ([("add", FEED, "added"), ("add", FEED, "already listed")], [FEED]),
        ([("add", FEED, "added"), ("add", FEED2, "added"), ("remove", FEED, "removed")], [FEED2]),
        ([("add", FEED, "added"), ("remove", FEED2, "not listed")], [FEED]),
        ([("add", FEED, "added"), ("remove", FEED, "removed"), ("add", FEED, "added")], [FEED]),
        # Entries are bytes: case and a trailing slash make other entries.
        ([("add", FEED, "added"), ("add", FEED.upper(), "added"), ("add", FEED + b"/", "added")],
         [FEED, FEED.upper(), FEED + b"/"]),
    ],
)
def test_adds_and_removes_say_what_they_did_and_keep_the_order_of_adding(call, steps, listing):
    for operation, url, text in steps:
        assert getattr(call, operation)(ALICE, SECRET, url) == ("success", text)
    assert call.list(ALICE, SECRET) == ("opml", listing)


def test_answers_are_xml_that_no_cache_keeps_and_other_requests_get_no_listing(call):
    call.add(ALICE, SECRET, FEED)
    body = call.raw("list.php", "user=alice&password=" + token(SECRET))
    assert call.status == "200 OK"
    assert body.startswith(b"<?xml") and b'<outline type="rss" xmlUrl="http://example.com/feed.xml"/>' in body
    assert call.headers["Content-Type"].startswith("text/xml")
    assert "no-store" in call.headers["Cache-Control"]
    assert int(call.headers["Content-Length"]) == len(body)
    for path, method, status in [("index.html", "GET", "404 Not Found"), ("list.php", "POST", "405 Method Not Allowed"),
                                 ("listing/list.php", "GET", "200 OK")]:
        body = call.raw(path, "user=alice&password=" + token(SECRET), method=method)
        assert (call.status, b"<opml" in body) == (status, status == "200 OK"), path


def test_the_first_add_makes_the_account_and_listings_are_kept_apart(store, call):
    # A user never seen gets an empty listing whatever the password, and a
    # remove makes no account.
    assert call.list(ALICE, OTHER) == ("opml", [])
    assert call.remove(ALICE, OTHER, FEED) == ("success", "not listed")
    assert call.add(ALICE, SECRET, FEED) == ("success", "added")
    for operation in (lambda p: call.list(ALICE, p), lambda p: call.add(ALICE, p, FEED2),
                      lambda p: call.remove(ALICE, p, FEED)):
        assert operation(OTHER) == WRONG
    # A lower-case token is the same token.
    assert call.raw("list.php", "user=alice&password=" + token(SECRET).lower()).count(b"<outline") == 1
    call.add(BOB, SECRET, FEED2)
    call.remove(BOB, SECRET, FEED)
    assert (call.list(ALICE, SECRET), call.list(BOB, SECRET)) == (("opml", [FEED]), ("opml", [FEED2]))
    assert not store.create_account(ALICE, "another")
    # Tokens are kept only as salted hashes.
    alice, bob = store.account(ALICE), store.account(BOB)
    assert token(SECRET) not in alice.secret.upper() and alice.secret != bob.secret
    assert token_matches(alice.secret, token(SECRET).encode()) and token_matches(bob.secret, token(SECRET).encode())
    assert not token_matches(alice.secret, token(OTHER).encode())


# The lockout, with 4 free failures and a first lock of 2 seconds: each row
# is (password, seconds to wait before it, answer).
LOCKED = "Too many wrong passwords for this user; try again in %d seconds"


def locked_for(seconds):
    return ("error", "Wrong password for this user; it is locked for %d seconds" % seconds)


LOCKS = [(OTHER, 0, WRONG)] * 4 + [(OTHER, 0, locked_for(2))]


@pytest.mark.parametrize(
    "attempts",
    [
        pytest.param([(OTHER, 0, WRONG)] * 4 + [(SECRET, 0, ("opml", [FEED]))], id="four-free"),
        pytest.param(LOCKS + [(SECRET, 1, ("error", LOCKED % 1)), (SECRET, 1, ("opml", [FEED]))], id="fifth-locks"),
        pytest.param(LOCKS + [(OTHER, 2, locked_for(4)), (OTHER, 4, locked_for(8)),
                              (SECRET, 7.5, ("error", LOCKED % 1))], id="doubling"),
        pytest.param(LOCKS + [(OTHER, 1, ("error", LOCKED % 1)), (OTHER, 1, locked_for(4))],
                     id="locked-tries-do-not-count"),
        pytest.param([(OTHER, 0, WRONG)] * 3 + [(SECRET, 0, ("opml", [FEED]))] + LOCKS, id="success-resets"),
        pytest.param(LOCKS + [(OTHER, 60, locked_for(min(2 ** (n + 1), 30))) for n in range(1, 7)], id="capped"),
    ],
)
def test_wrong_passwords_lock_the_account_for_growing_times(store, clock, attempts):
    call = service(store, clock, longest_lock=30)
    call.add(ALICE, SECRET, FEED)
    for number, (password, wait, answer) in enumerate(attempts):
        clock.now += wait
        assert call.list(ALICE, password) == answer, "attempt %d" % number
    assert call.list(BOB, SECRET) == ("opml", [])


def test_the_lock_holds_for_every_worker_and_is_never_shortened(database, clock):
    first = service(open_store(database), clock)
    second = service(open_store(database), clock)
    first.add(ALICE, SECRET, FEED)
    for _ in range(5):
        first.list(ALICE, OTHER)
    for answer in (second.list(ALICE, SECRET), second.add(ALICE, SECRET, FEED2), second.remove(ALICE, SECRET, FEED)):
        assert answer == ("error", LOCKED % 2)
    clock.now += 2
    assert second.list(ALICE, SECRET) == ("opml", [FEED])
    # Workers that saw different numbers of failures may lock in any order.
    store = open_store(database)
    store.create_account(BOB, "secret")
    for lock, until in ((100.0, 100.0), (50.0, 100.0), (150.0, 150.0)):
        store.lock(BOB, lock)
        assert store.account(BOB).locked_until == until
    # However many failures were counted, a lock is the longest at most.
    with store._transaction() as cursor:
        cursor.execute(store._sql("UPDATE accounts SET failures = 5000 WHERE name = ?"), (ALICE,))
    assert first.list(ALICE, OTHER) == locked_for(3600)


# Refused requests: each leaves the other user's listing and its own as they were.
CAROL = "user=carol&password=05150000"


@pytest.mark.parametrize(
    "script, query_text, message",
    [
        ("list.php", "password=05150000", "The request has no user"),
        ("list.php", "user=carol", "The request has no password"),
        ("add.php", CAROL, "The request has no channel"),
        ("list.php", "user=&password=05150000", "The user name is empty"),
        ("list.php", "user=%s&password=05150000" % ("u" * 129), "The user name is longer than 128 bytes"),
        ("list.php", "user=ca%0Arol&password=05150000", "The user name holds a control character"),
        ("list.php", "user=ca\x7frol&password=05150000", "The user name holds a control character"),
        ("list.php", "user=carol&password=0515000", "The password token is not 8 hexadecimal digits"),
        ("list.php", "user=carol&password=051500000", "The password token is not 8 hexadecimal digits"),
        ("list.php", "user=carol&password=0515000G", "The password token is not 8 hexadecimal digits"),
        ("list.php", "user=carol&password=s3cret", "The password token is not 8 hexadecimal digits"),
        ("add.php", CAROL + "&channel=", "The channel URL is empty"),
        ("add.php", CAROL + "&channel=" + escape(b"http://example.com/" + b"x" * 242),
         "The channel URL is longer than 260 bytes"),
        ("add.php", CAROL + "&channel=http://a/%00b", "The channel URL holds a zero byte"),
        ("list.php", CAROL + "&channel=http://a/", "Unexpected parameter channel (a user name cannot hold '&')"),
        # A user name with "&" as tidelight sends it, unescaped.
        ("list.php", "user=bob&x=1&password=05150000", "Unexpected parameter x (a user name cannot hold '&')"),
        ("add.php", "user=bob&channel=evil&password=05150000&channel=http://a/",
         "The parameter channel is given twice (a user name cannot hold '&')"),
        ("list.php", CAROL + "&" + "x" * 4096, "The request is longer than 4096 bytes"),
        ("list.php", CAROL + "&<b>=&", "Unexpected parameter <b> (a user name cannot hold '&')"),
    ],
)
def test_bad_requests_are_refused_and_change_nothing(call, script, query_text, message):
    call.add(BOB, SECRET, FEED)
    call.add(b"carol", b"", FEED2)
    assert read_answer(call.raw(script, query_text)) == ("error", message)
    assert call.list(BOB, SECRET) == ("opml", [FEED])
    assert call.list(b"carol", b"") == ("opml", [FEED2])


@pytest.mark.parametrize(
    "user, url, listed_as",
    [
        (b"u" * 128, FEED, b"u" * 128),
        (b"caf%C3%A9%20%26%20co", FEED, b"caf%c3%a9%20%26%20co"),
        # Percent-decoded, and "+" as "+".
        (b"a+b", FEED, b"a%2bb"),
        (b"a%20b", FEED, b"a%20%62"),
        (ALICE, b"http://example.com/" + b"x" * 241, ALICE),
    ],
)
def test_requests_at_the_limits_are_served(call, user, url, listed_as):
    assert call.add(user, SECRET, url) == ("success", "added")
    assert call.list(listed_as, SECRET) == ("opml", [url])


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
