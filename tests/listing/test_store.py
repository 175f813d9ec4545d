"""What the stores promise beyond what a single request shows."""

import pytest

from listing.store import ADDED, FULL, LISTED, Account


def test_an_account_is_made_once_and_keeps_its_first_secret(store):
    assert store.create_account(b"alice", "first")
    assert not store.create_account(b"alice", "second")
    assert store.account(b"alice") == Account("first", 0, 0)


@pytest.mark.parametrize(
    "locks, until",
    [([100.0], 100.0), ([100.0, 50.0], 100.0), ([50.0, 100.0], 100.0)],
)
def test_a_lock_is_never_shortened(store, locks, until):
    # Workers that saw different numbers of failures may lock in any order.
    store.create_account(b"alice", "secret")
    for lock in locks:
        store.lock(b"alice", lock)
    assert store.account(b"alice").locked_until == until


def test_failures_count_up_and_clear(store):
    store.create_account(b"alice", "secret")
    assert [store.note_failure(b"alice") for _ in range(3)] == [1, 2, 3]
    store.clear_failures(b"alice")
    assert store.account(b"alice").failures == 0
    assert store.note_failure(b"nobody") == 0


@pytest.mark.parametrize(
    "urls, limit, results",
    [
        ([b"a", b"b", b"a"], 5, [ADDED, ADDED, LISTED]),
        ([b"a", b"b", b"c"], 2, [ADDED, ADDED, FULL]),
        ([b"a", b"b", b"b"], 2, [ADDED, ADDED, LISTED]),
        ([b"\x00\xff", b"\x00\xfe"], 5, [ADDED, ADDED]),
    ],
)
def test_add_channel(store, urls, limit, results):
    store.create_account(b"alice", "secret")
    assert [store.add_channel(b"alice", url, limit) for url in urls] == results
    assert store.channels(b"alice") == [url for url, result in zip(urls, results) if result == ADDED]
