"""Checks a copied password list: check_list.py FILE COUNT LENGTH.

Every entry must be LENGTH characters from the default pool (digits, letters and the 31 specials) and end
with CR LF; there must be exactly COUNT entries and nothing else.
"""
import string
import sys

POOL = set(string.digits + string.ascii_lowercase + string.ascii_uppercase + "!@#$%^&*-_=()[]{}<>?|~`+',.\\/;:")
assert len(POOL) == 93


def main() -> int:
    path, count, length = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    data = open(path, "rb").read()
    if not data.endswith(b"\r\n"):
        print(f"copied text does not end with CR LF: {data[-8:]!r}")
        return 1
    entries = data[:-2].split(b"\r\n")
    if len(entries) != count:
        print(f"expected {count} entries, got {len(entries)}: {data!r}")
        return 1
    for entry in entries:
        text = entry.decode("ascii", errors="replace")
        if len(entry) != length or not set(text) <= POOL:
            print(f"entry {entry!r} is not {length} characters from the default pool")
            return 1
    if len(set(entries)) != count:
        print(f"repeated entries in {entries!r}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
