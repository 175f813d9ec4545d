"""Fixtures for the listing service's tests: every store-facing test runs
once over SQLite and once over a private PostgreSQL cluster that this run
starts and removes. If that cluster cannot start, the PostgreSQL half fails
rather than being skipped."""

import glob
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

import pytest

sys.path.insert(0, os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))

from listing.store import open_store  # noqa: E402

STORES = ["sqlite", "postgresql"]


def _as_owner(command, owner):
    # PostgreSQL refuses to run as root; CI runs as root.
    if owner is None:
        return command
    return ["runuser", "-u", owner, "--"] + command


@pytest.fixture(scope="session")
def postgres_url():
    binaries = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
    if not binaries:
        pytest.fail("PostgreSQL is not installed (scripts/setup installs it)")
    bin_dir = os.path.dirname(binaries[-1])
    owner = "nobody" if os.geteuid() == 0 else None
    top = tempfile.mkdtemp(prefix="tidelight-pg-")
    data, sockets, log = os.path.join(top, "data"), os.path.join(top, "run"), os.path.join(top, "log")
    os.mkdir(sockets)
    if owner:
        entry = pwd.getpwnam(owner)
        for path in (top, sockets):
            os.chown(path, entry.pw_uid, entry.pw_gid)
    os.chmod(top, 0o755)

    def run(*command):
        result = subprocess.run(
            _as_owner([os.path.join(bin_dir, command[0])] + list(command[1:]), owner),
            cwd=top,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            text=True,
        )
        if result.returncode != 0:
            log_text = open(log).read() if os.path.exists(log) else ""
            pytest.fail("%s failed:\n%s\n%s" % (command[0], result.stdout, log_text))

    started = False
    try:
        run("initdb", "--pgdata", data, "--username", "listing", "--auth", "trust", "--no-sync",
            "--encoding", "UTF8", "--locale", "C")
        # No TCP at all: the socket lives in our own directory, so neither a
        # system cluster nor another run is disturbed. Durability is not
        # what these tests are about.
        options = "-c listen_addresses='' -k %s -c fsync=off -c synchronous_commit=off -c full_page_writes=off" % sockets
        run("pg_ctl", "--pgdata", data, "--log", log, "--options", options, "--wait", "start")
        started = True
        yield "postgresql://listing@/postgres?host=" + urllib.parse.quote(sockets, safe="")
    finally:
        if started:
            subprocess.run(_as_owner([os.path.join(bin_dir, "pg_ctl"), "--pgdata", data, "--mode", "immediate",
                                      "--wait", "stop"], owner), cwd=top, stdout=subprocess.DEVNULL)
        shutil.rmtree(top, ignore_errors=True)


@pytest.fixture(params=STORES)
def database(request, tmp_path):
    """The address of an empty store of each kind."""
    if request.param == "sqlite":
        return str(tmp_path / "listing.sqlite3")
    database = request.getfixturevalue("postgres_url")
    store = open_store(database)
    with store._transaction() as cursor:
        cursor.execute("TRUNCATE channels, accounts, rates")
    store.close()
    return database


@pytest.fixture
def store(database):
    store = open_store(database)
    yield store
    store.close()
