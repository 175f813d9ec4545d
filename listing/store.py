"""Where the listing service keeps accounts, listings and request counts.

Two stores answer the same narrow interface: SQLite in one file for a single
machine, and PostgreSQL for several server processes or machines. User names
and channel URLs are kept as the exact bytes that arrived, never as text, so
no encoding step can change them.
"""

import os
import sqlite3
import threading
from contextlib import contextmanager
from typing import NamedTuple, Optional

# What add_channel did.
ADDED = "added"
LISTED = "listed"
FULL = "full"


class Account(NamedTuple):
    secret: str  # the salted hash of the password token, with its parameters
    failures: int  # wrong tokens in a row
    locked_until: float  # seconds since 1970; no check before then


def open_store(database):
    """A PostgreSQL store for a postgresql:// (or postgres://) connection
    string, else a SQLite store in the file of that name."""
    if database.startswith(("postgresql://", "postgres://")):
        return PostgresStore(database)
    return SqliteStore(database)


class SqlStore:
    """The interface and everything both databases share. Statements are
    written with ? placeholders; a store for a driver that wants %s gets them
    translated once."""

    placeholder = "?"
    blob = "BLOB"
    serial = "INTEGER PRIMARY KEY AUTOINCREMENT"
    # Taken with each read that a write in the same transaction depends on;
    # SQLite needs none, as its writers already run one at a time.
    for_update = ""

    def __init__(self):
        # One connection per thread and per process: neither driver's
        # connections may cross threads, and a connection inherited through a
        # fork (gunicorn's workers) would share its socket or file locks with
        # the parent.
        self._local = threading.local()
        self._create_schema()
        self.close()

    def _sql(self, statement):
        return statement.replace("?", self.placeholder)

    def _schema(self):
        return [
            "CREATE TABLE IF NOT EXISTS accounts ("
            " name %s PRIMARY KEY,"
            " secret TEXT NOT NULL,"
            " failures INTEGER NOT NULL DEFAULT 0,"
            " locked_until DOUBLE PRECISION NOT NULL DEFAULT 0)" % self.blob,
            "CREATE TABLE IF NOT EXISTS channels ("
            " id %s,"
            " name %s NOT NULL REFERENCES accounts (name),"
            " url %s NOT NULL,"
            " UNIQUE (name, url))" % (self.serial, self.blob, self.blob),
            "CREATE TABLE IF NOT EXISTS rates ("
            " address TEXT PRIMARY KEY,"
            " tokens DOUBLE PRECISION NOT NULL,"
            " updated DOUBLE PRECISION NOT NULL)",
            "CREATE INDEX IF NOT EXISTS rates_updated ON rates (updated)",
        ]

    def _connection(self):
        local = self._local
        if getattr(local, "pid", None) != os.getpid() or local.connection is None:
            local.connection = self._connect()
            local.pid = os.getpid()
        return local.connection

    def close(self):
        """Closes this thread's connection; the next call opens another."""
        local = self._local
        if getattr(local, "pid", None) == os.getpid() and local.connection is not None:
            local.connection.close()
        local.connection = None
        local.pid = None

    def _run(self, cursor, statement, parameters=()):
        cursor.execute(self._sql(statement), parameters)
        return cursor

    # The interface.

    def account(self, user: bytes) -> Optional[Account]:
        with self._transaction() as cursor:
            row = self._run(
                cursor, "SELECT secret, failures, locked_until FROM accounts WHERE name = ?", (user,)
            ).fetchone()
        return Account(*row) if row else None

    def create_account(self, user: bytes, secret: str) -> bool:
        """False when the account exists already, made by someone else
        perhaps a moment ago; its secret is then left as it was."""
        with self._transaction() as cursor:
            self._run(
                cursor,
                "INSERT INTO accounts (name, secret) VALUES (?, ?) ON CONFLICT (name) DO NOTHING",
                (user, secret),
            )
            return cursor.rowcount == 1

    def note_failure(self, user: bytes) -> int:
        """Counts one more wrong token and returns the count. The increment
        is done by the database, so failures seen by several workers at once
        all count."""
        with self._transaction() as cursor:
            row = self._run(
                cursor,
                "UPDATE accounts SET failures = failures + 1 WHERE name = ? RETURNING failures",
                (user,),
            ).fetchall()
        return row[0][0] if row else 0

    def lock(self, user: bytes, until: float):
        """Locks the account until then, unless it is locked longer already."""
        with self._transaction() as cursor:
            self._run(
                cursor,
                "UPDATE accounts SET locked_until = ? WHERE name = ? AND locked_until < ?",
                (until, user, until),
            )

    def clear_failures(self, user: bytes):
        with self._transaction() as cursor:
            self._run(cursor, "UPDATE accounts SET failures = 0 WHERE name = ? AND failures <> 0", (user,))

    def channels(self, user: bytes) -> list:
        """The user's channel URLs in the order they were added."""
        with self._transaction() as cursor:
            rows = self._run(cursor, "SELECT url FROM channels WHERE name = ? ORDER BY id", (user,)).fetchall()
        return [bytes(url) for (url,) in rows]

    def add_channel(self, user: bytes, url: bytes, limit: int) -> str:
        """ADDED, LISTED when the URL is there already, or FULL when the
        listing holds limit URLs. The account must exist."""
        with self._transaction() as cursor:
            # Locking the account row makes the count and the insert one step,
            # so concurrent adds cannot take a listing past its limit.
            self._run(cursor, "SELECT name FROM accounts WHERE name = ?" + self.for_update, (user,)).fetchall()
            if self._run(cursor, "SELECT 1 FROM channels WHERE name = ? AND url = ?", (user, url)).fetchone():
                return LISTED
            (count,) = self._run(cursor, "SELECT COUNT(*) FROM channels WHERE name = ?", (user,)).fetchone()
            if count >= limit:
                return FULL
            self._run(cursor, "INSERT INTO channels (name, url) VALUES (?, ?)", (user, url))
            return ADDED

    def remove_channel(self, user: bytes, url: bytes) -> bool:
        """False when the URL was not listed."""
        with self._transaction() as cursor:
            self._run(cursor, "DELETE FROM channels WHERE name = ? AND url = ?", (user, url))
            return cursor.rowcount == 1

    def take_request(self, address: str, now: float, burst: float, per_second: float) -> bool:
        """Takes one request from the address's bucket, which holds up to
        burst requests and refills at per_second. False when it is empty."""
        with self._transaction() as cursor:
            row = self._run(
                cursor, "SELECT tokens, updated FROM rates WHERE address = ?" + self.for_update, (address,)
            ).fetchone()
            if row is None:
                # A bucket that has refilled completely says nothing more than
                # a missing one: forget those, so the table stays small.
                self._run(cursor, "DELETE FROM rates WHERE updated < ?", (now - burst / per_second,))
                tokens = burst
            else:
                tokens = min(burst, row[0] + max(0.0, now - row[1]) * per_second)
            allowed = tokens >= 1
            if allowed:
                tokens -= 1
            self._run(
                cursor,
                "INSERT INTO rates (address, tokens, updated) VALUES (?, ?, ?)"
                " ON CONFLICT (address) DO UPDATE SET tokens = excluded.tokens, updated = excluded.updated",
                (address, tokens, now),
            )
            return allowed


class SqliteStore(SqlStore):
    def __init__(self, path):
        self.path = path
        directory = os.path.dirname(os.path.abspath(path))
        os.makedirs(directory, exist_ok=True)
        super().__init__()

    def _connect(self):
        # Autocommit mode: transactions are begun and ended here, not by the
        # driver's guesses. Writers from other processes are waited for.
        connection = sqlite3.connect(self.path, timeout=30, isolation_level=None)
        connection.execute("PRAGMA foreign_keys = ON")
        return connection

    def _create_schema(self):
        connection = self._connection()
        # WAL lets readers go on while one process writes; it is a property
        # of the file and stays set.
        connection.execute("PRAGMA journal_mode = WAL")
        with self._transaction() as cursor:
            for statement in self._schema():
                cursor.execute(statement)

    @contextmanager
    def _transaction(self):
        connection = self._connection()
        cursor = connection.cursor()
        # IMMEDIATE takes the write lock at once: a read that a later write
        # depends on then sees no other writer's changes in between.
        cursor.execute("BEGIN IMMEDIATE")
        try:
            yield cursor
        except BaseException:
            connection.rollback()
            raise
        else:
            connection.commit()
        finally:
            cursor.close()


class PostgresStore(SqlStore):
    placeholder = "%s"
    blob = "BYTEA"
    serial = "BIGSERIAL PRIMARY KEY"
    for_update = " FOR UPDATE"

    def __init__(self, dsn):
        # Imported here so that a SQLite-only service needs no driver for it.
        import psycopg2

        self._driver = psycopg2
        self.dsn = dsn
        super().__init__()

    def _connect(self):
        return self._driver.connect(self.dsn)

    def _create_schema(self):
        with self._transaction() as cursor:
            # Several workers start at once, and concurrent CREATE TABLE IF
            # NOT EXISTS statements can still collide in PostgreSQL's catalog.
            cursor.execute("SELECT pg_advisory_xact_lock(47312)")
            for statement in self._schema():
                cursor.execute(statement)

    @contextmanager
    def _transaction(self):
        connection = self._connection()
        try:
            with connection:
                with connection.cursor() as cursor:
                    yield cursor
        except (self._driver.OperationalError, self._driver.InterfaceError):
            # A connection the server dropped (a restart, say) is useless from
            # now on: the next call opens a new one.
            if connection.closed:
                self.close()
            raise
