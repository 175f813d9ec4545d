"""What the stores promise beyond what a single request shows."""

import pytest

from listing.store import Account


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
