"""Fifty clients at once through gunicorn with four workers, over each
store: every add and remove is answered, none is lost and no listing
overfills."""

import os
import socket
import subprocess
import sys
import threading
import time
import urllib.error

import pytest

from client import HttpCaller

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CLIENTS, USERS = 50, 10
# Five clients of one user hold up to 30 channels between them at once.
LIMIT = 30


@pytest.fixture
def gunicorn(database, tmp_path):
    # gunicorn takes a socket we bound ourselves: no port can be taken by
    # someone else between choosing and binding it.
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(256)
    base = "http://127.0.0.1:%d/" % listener.getsockname()[1]
    app = "listing.server:create_app(database=%r, token_cost=1, burst=1000000, channels=%d)" % (database, LIMIT)
    log = open(tmp_path / "gunicorn.log", "w+")
    process = subprocess.Popen(
        [sys.executable, "-m", "gunicorn", "--workers", "4", "--bind", "fd://%d" % listener.fileno(),
         "--chdir", TOP, app],
        pass_fds=[listener.fileno()], stdout=log, stderr=subprocess.STDOUT,
    )
    listener.close()
    caller = HttpCaller(base)
    try:
        deadline = time.monotonic() + 30
        while True:
            try:
                caller.list(b"nobody", b"")
                break
            except (urllib.error.URLError, ConnectionError):
                if process.poll() is not None or time.monotonic() > deadline:
                    log.seek(0)
                    pytest.fail("gunicorn did not start:\n" + log.read())
                time.sleep(0.1)
        yield caller
    finally:
        process.terminate()
        process.wait(timeout=30)
        log.seek(0)
        # A worker that died mid-request would show here even if the
        # answers looked right.
        assert "Traceback" not in log.read()
        log.close()


def crowd(client):
    """Runs the client with the numbers 0 to CLIENTS-1, all at once."""
    start = threading.Barrier(CLIENTS)
    threads = [threading.Thread(target=lambda n=n: (start.wait(), client(n))) for n in range(CLIENTS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(timeout=120)
    assert not any(thread.is_alive() for thread in threads)


def test_fifty_clients_at_once_lose_nothing_and_cannot_overfill_a_listing(gunicorn):
    problems = []

    def client(number):
        user, password = b"user%d" % (number % USERS), b"pass%d" % (number % USERS)
        urls = [b"http://c%d.example/feed?n=%d&x=%%41 +" % (number, n) for n in range(6)]
        try:
            # Five clients make each account at the same moment.
            expected = [("add", gunicorn.add(user, password, url), ("success", "added")) for url in urls]
            expected += [("remove", gunicorn.remove(user, password, url), ("success", "removed")) for url in urls[:3]]
            expected.append(("re-add", gunicorn.add(user, password, urls[0]), ("success", "added")))
            kind, listed = gunicorn.list(user, password)
            expected.append(("list", kind, "opml"))
            expected.append(("own", [url for url in listed if url in urls], urls[3:] + [urls[0]]))
        except Exception as failure:  # noqa: BLE001 - reported below with the client's number
            problems.append((number, repr(failure)))
            return
        problems.extend((number, what, got, wanted) for what, got, wanted in expected if got != wanted)

    crowd(client)
    assert problems == []
    for user in range(USERS):
        kind, listed = gunicorn.list(b"user%d" % user, b"pass%d" % user)
        wanted = {b"http://c%d.example/feed?n=%d&x=%%41 +" % (number, n)
                  for number in range(user, CLIENTS, USERS) for n in (0, 3, 4, 5)}
        assert kind == "opml" and sorted(listed) == sorted(wanted)

    # Fifty adding to one listing cannot overfill it; each round is a fresh
    # race for the last places of a new listing.
    full = ("error", "The listing is full: it holds %d channels, the most it may" % LIMIT)
    for user in (b"crowd%d" % n for n in range(4)):
        answers = []
        crowd(lambda number: answers.append(gunicorn.add(user, b"pw", b"http://c%d.example/" % number)))
        assert sorted(answers) == sorted([("success", "added")] * LIMIT + [full] * (CLIENTS - LIMIT))
        kind, listed = gunicorn.list(user, b"pw")
        assert kind == "opml" and len(listed) == LIMIT
