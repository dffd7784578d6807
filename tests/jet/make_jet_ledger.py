#!/usr/bin/env python3
"""Writes a small Jet 3 or Jet 4 (Access 97, Access 2000-2003) database for Quentaril's tests.

The file holds the system catalog MSysObjects and one table of Text and Memo columns, in the form libmdb
(mdbtools) reads. Written for this project from the public descriptions of the format (mdbtools' HACKING
notes); standard library only.

Usage:
  make_jet_ledger.py --jet 3|4 --rows ROWS.json -o OUT.mdb [options]

Options:
  --password PW          the database password kept, masked, in the header (default: none)
  --created ISO-DATE     the creation date, which masks the Jet 4 password (default 2004-03-12T14:05:00)
  --table NAME           the table's name (default tblPlorn)
  --columns SPEC         NAME:text[:LENGTH] or NAME:memo, comma-separated (default NomPers:text,LesPlorns:memo);
                         a Text column holds at most LENGTH characters (default 50, at most 255)
  --compressed-text [W]  Jet 4: marks the columns for Unicode compression and stores a value in the compressed
                         form (FF FE, then a byte a character, a zero byte switching to two bytes and back)
                         when W is "shorter" (the default: when that saves room, as Access does) or whenever
                         the form can hold it when W is "always". Without it, text is plain UTF-16LE, except
                         text starting with U+FEFF, which only the compressed form tells from that form's mark
  --code-page N          the Windows code page of Jet 3 text and passwords (default 1252)
  --encode-pages KEY     encodes every page after the header with RC4 under (KEY xor page number), as Access
                         does for an "encrypted" file, and keeps KEY in the header (decimal or 0x hex)
  --ace                  writes the header of an Access 2007 file ("Standard ACE DB", version 2) instead
  --inline-max N         a Memo value of at most N stored bytes goes in its row (default 256); a longer one
                         goes in one long-value (LVAL) row when it fits a page, else in a chain of them
  --layout FILE          writes a JSON map of what went where (see below)

ROWS.json is a JSON array with one element a row, in the order the rows are stored: either an array of values,
one a column in --columns order, or an object of column name to value (a column left out is NULL). A value is
  null                   NULL
  "text"                 the text; "" is an empty text, which is not NULL
  {"text": "...", ...}   the text, with how to store it:
      "compressed": true|false   Jet 4: this value in the compressed Unicode form (an error when it cannot be) or not
      "store": "inline"|"lval"|"chain"   Memo: in the row, in one LVAL row, or in a chain of LVAL rows
      "piece": N                 with "chain": at most N bytes of the value in each row of the chain
  {"hex": "fffe6100", ...}       these bytes, stored as they are (text that is damaged on purpose); same keys

How the file is laid out: pages of 2048 bytes (Jet 3) or 4096 (Jet 4). Page 0 the header; page 1 the usage maps
(rows of a data page); page 2 the definition (TDEF) of MSysObjects, where libmdb starts, page 3 its rows; page 4
the definition of the table; then the LVAL pages, in the order the values were written; then any usage-map pages
(type 0x05) of large files; the table's data pages come last, their rows in the order given.

The header: "Standard Jet DB" (or "Standard ACE DB") at 4, the version at 0x14 (0 Jet 3, 1 Jet 4, 2 ACE); the
126 (Jet 3) or 128 (Jet 4) bytes from 0x18 are RC4-encoded under C7 DA 39 6B. Decoded, they hold the code page at
0x3C, the key of the page encoding at 0x3E (0: none), the password at 0x42 (Jet 3: 20 bytes of code-page text;
Jet 4: 40 bytes of UTF-16LE, each byte XOR-ed in turn with the 4 bytes of the int32 whole part of the creation
date, a double at 0x72), unused bytes zero.

The layout file: {"jet", "page_size", "page_count", "encode_pages_key" (null or the key),
  "catalog": {"definition_page", "data_pages", "usage_map": ROW},
  "table": {"name", "definition_page", "data_pages", "long_value_pages", "usage_map_pages", "usage_map": ROW},
  "rows": [{"page", "row", "offset", "length", "entry", "fields": {COLUMN: {"offset", "length", "null",
            and for a Memo: "storage" ("inline", "lval" or "chain"), "stored_length",
            "chain": [ROW, ...]}}}]}
where a ROW is {"page", "row", "offset", "length", "entry"}: the row's page and number there, where its bytes
start and how many, and where its page's row table keeps its offset (so tests can damage any of them).
Offsets are byte offsets in the file, of the bytes before any RC4 encoding. A Memo field is 12 bytes: the
stored length in its low 30 bits with the flags 0x80000000 (inline) or 0x40000000 (one LVAL row) above, then the
page and row (page << 8 | row) of the first LVAL row; every row of a chain starts with the page and row of the
next one (0 in the last).
"""

import argparse
import datetime
import json
import struct
import sys

# Page types (the first byte of a page).
PAGE_DATA = 0x01
PAGE_DEFINITION = 0x02
PAGE_USAGE_MAP = 0x05

# Column types.
TYPE_INT = 0x03
TYPE_LONG = 0x04
TYPE_DATETIME = 0x08
TYPE_TEXT = 0x0A
TYPE_OLE = 0x0B
TYPE_MEMO = 0x0C
FIXED_SIZES = {TYPE_INT: 2, TYPE_LONG: 4, TYPE_DATETIME: 8}

# Column flags: fixed length; the second bit is set on every column Access writes.
COLUMN_FIXED = 0x01
COLUMN_ALWAYS = 0x02
# Jet 4 column flags, second byte: the column takes compressed Unicode.
COLUMN_COMPRESSED = 0x01

MEMO_INLINE = 0x80000000
MEMO_ONE_ROW = 0x40000000

HEADER_KEY = bytes((0xC7, 0xDA, 0x39, 0x6B))
MASKED_FROM = 0x18
SORT_GENERAL = 0x409
USER_TABLE = 0x4E
SYSTEM_TABLE = 0x53
SYSTEM_OBJECT_FLAGS = 0x80000002

CATALOG_PAGE = 2
TABLE_PAGE = 4
MAX_ROWS_A_PAGE = 255


class WriterError(Exception):
    pass


class Format:
    """What differs between Jet 3 and Jet 4."""

    def __init__(self, jet):
        self.jet = jet
        self.jet4 = jet == 4
        self.page_size = 4096 if self.jet4 else 2048
        self.masked_length = 128 if self.jet4 else 126
        # Data pages: the row count, then the row offsets.
        self.row_count_at = 12 if self.jet4 else 8
        self.page_header = self.row_count_at + 2
        self.column_entry = 25 if self.jet4 else 18
        self.definition_header = 63 if self.jet4 else 43
        # A type 0 usage map row: a type byte, the first page it maps, then one bit a page.
        self.map_bytes = 64 if self.jet4 else 128

    def largest_row(self):
        return self.page_size - self.page_header - 2


def rc4(key, data):
    state = list(range(256))
    j = 0
    for i in range(256):
        j = (j + state[i] + key[i % len(key)]) & 0xFF
        state[i], state[j] = state[j], state[i]
    out = bytearray(data)
    i = j = 0
    for n in range(len(out)):
        i = (i + 1) & 0xFF
        j = (j + state[i]) & 0xFF
        state[i], state[j] = state[j], state[i]
        out[n] ^= state[(state[i] + state[j]) & 0xFF]
    return bytes(out)


def ole_date(moment):
    """Days since 1899-12-30, the fraction being the time of day (OLE Automation date)."""
    return (moment - datetime.datetime(1899, 12, 30)).total_seconds() / 86400.0


# --- Text ---------------------------------------------------------------------------------------------------


def compress_unicode(text):
    """The compressed form of `text`, or None when a UTF-16 unit of it has a zero low byte (never writable)."""
    units = text.encode("utf-16-le", "surrogatepass")
    out = bytearray(b"\xff\xfe")
    one_byte = True
    for at in range(0, len(units), 2):
        low, high = units[at], units[at + 1]
        if low == 0:
            return None
        if (high == 0) != one_byte:
            out.append(0)
            one_byte = not one_byte
        if one_byte:
            out.append(low)
        else:
            out += bytes((low, high))
    return bytes(out)


class TextCoder:
    def __init__(self, fmt, code_page, compression):
        self.fmt = fmt
        self.code_page = code_page
        self.codec = "cp%d" % code_page
        self.compression = compression  # None, "shorter" or "always"
        try:
            "".encode(self.codec)
        except LookupError:
            raise WriterError("unknown code page %d" % code_page)

    def plain(self, text):
        """A name or password: UTF-16LE in Jet 4, code-page bytes in Jet 3."""
        if self.fmt.jet4:
            return text.encode("utf-16-le", "surrogatepass")
        try:
            return text.encode(self.codec)
        except UnicodeEncodeError as error:
            raise WriterError("%r cannot be written in code page %s: %s" % (text, self.codec, error))

    def value(self, text, compressed=None, memo=False):
        if not self.fmt.jet4:
            if compressed:
                raise WriterError("Jet 3 has no compressed Unicode")
            return self.plain(text)
        plain = text.encode("utf-16-le", "surrogatepass")
        packed = compress_unicode(text)
        if compressed is None and plain.startswith(b"\xff\xfe"):
            # Plain text starting with U+FEFF would read as the mark of the compressed form, which alone holds it.
            if packed is None:
                raise WriterError("%r starts with U+FEFF and cannot be compressed: no reader would get it back"
                                  % text)
            return packed
        if compressed is None:
            if self.compression is None or (self.compression == "shorter" and memo and len(text) > 1024):
                return plain
            if packed is None or (self.compression == "shorter" and len(packed) >= len(plain)):
                return plain
            return packed
        if not compressed:
            return plain
        if packed is None:
            raise WriterError("%r has a character the compressed form cannot hold" % text)
        return packed


# --- Columns and rows ---------------------------------------------------------------------------------------


class Column:
    def __init__(self, name, kind, length=0):
        self.name = name
        self.kind = kind
        self.length = length  # characters, for Text
        self.number = 0
        self.var_index = 0
        self.fixed_offset = 0

    @property
    def fixed(self):
        return self.kind in FIXED_SIZES

    def size(self, fmt):
        if self.fixed:
            return FIXED_SIZES[self.kind]
        if self.kind == TYPE_TEXT:
            return self.length * (2 if fmt.jet4 else 1)
        return 0


def number_columns(columns):
    var_index = fixed_offset = 0
    for number, column in enumerate(columns):
        column.number = number
        if column.fixed:
            column.fixed_offset = fixed_offset
            fixed_offset += FIXED_SIZES[column.kind]
        else:
            column.var_index = var_index
            var_index += 1
    return columns


def check_name(name):
    if not 1 <= len(name) <= 64:
        raise WriterError("a Jet name has 1 to 64 characters: %r" % name)
    return name


def parse_columns(spec):
    columns = []
    for item in spec.split(","):
        parts = item.strip().split(":")
        if len(parts) < 2 or not parts[0]:
            raise WriterError("bad column %r: NAME:text[:LENGTH] or NAME:memo" % item)
        name, kind = check_name(parts[0]), parts[1].lower()
        if kind == "text" and len(parts) <= 3:
            length = int(parts[2]) if len(parts) == 3 else 50
            if not 1 <= length <= 255:
                raise WriterError("a Text column holds 1 to 255 characters, not %d" % length)
            columns.append(Column(name, TYPE_TEXT, length))
        elif kind == "memo" and len(parts) == 2:
            columns.append(Column(name, TYPE_MEMO))
        else:
            raise WriterError("bad column %r: NAME:text[:LENGTH] or NAME:memo" % item)
    if len({column.name.lower() for column in columns}) != len(columns):
        raise WriterError("two columns have the same name")
    return number_columns(columns)


def encode_row(fmt, columns, fields):
    """A row as stored in a data page. `fields` holds, for each column, its stored bytes or None for NULL.
    Returns the row and, for each column, the offset of its value in the row."""
    count = len(columns)
    mask_size = (count + 7) // 8
    null_mask = bytearray(mask_size)
    head = struct.pack("<H", count) if fmt.jet4 else bytes((count,))
    fixed_size = sum(FIXED_SIZES[c.kind] for c in columns if c.fixed)
    body = bytearray(head) + bytearray(fixed_size)
    where = [0] * count
    for column, value in zip(columns, fields):
        if value is not None:
            null_mask[column.number // 8] |= 1 << (column.number % 8)
        if column.fixed:
            at = len(head) + column.fixed_offset
            where[column.number] = at
            if value is not None:
                body[at:at + len(value)] = value
    variable = sorted((c for c in columns if not c.fixed), key=lambda c: c.var_index)
    offsets = []
    for column in variable:
        value = fields[column.number]
        offsets.append(len(body))
        where[column.number] = len(body)
        if value is not None:
            body += value
    if not variable:
        return bytes(body + null_mask), where
    end = len(body)
    if fmt.jet4:
        tail = struct.pack("<H", end) + b"".join(struct.pack("<H", o) for o in reversed(offsets))
        tail += struct.pack("<H", len(variable))
        return bytes(body + tail + null_mask), where
    # Jet 3 keeps one byte an offset; a jump table names the first offset past each 256 bytes.
    base = end + 1 + len(offsets) + 1 + mask_size
    jumps = 0
    while (base + jumps - 1) // 256 != jumps:
        jumps = (base + jumps - 1) // 256
    boundaries = offsets + [end]
    table = []
    for step in range(1, jumps + 1):
        first = next((i for i, offset in enumerate(boundaries) if offset >= 256 * step), None)
        table.append(0xFF if first is None else first)
    if jumps - end // 256 not in (0, 1):
        raise WriterError("a Jet 3 row this shape cannot be written")
    tail = bytes((end & 0xFF,)) + bytes(o & 0xFF for o in reversed(offsets)) + bytes(reversed(table))
    tail += bytes((len(variable),))
    return bytes(body + tail + null_mask), where


# --- Pages --------------------------------------------------------------------------------------------------


class SlottedPage:
    """A data page or an LVAL page: rows stored from the end, their offsets after the header."""

    def __init__(self, fmt, number, owner):
        self.fmt = fmt
        self.number = number
        self.owner = owner  # 4 bytes: the TDEF page of the table, or b"LVAL"
        self.rows = []
        self.starts = []

    def room(self):
        """The bytes a new row may take."""
        if len(self.rows) >= MAX_ROWS_A_PAGE:
            return -1
        used = self.fmt.page_header + 2 * len(self.rows) + sum(len(r) for r in self.rows)
        return self.fmt.page_size - used - 2

    def add(self, data):
        self.rows.append(bytes(data))
        self.starts.append(self.fmt.page_size - sum(len(r) for r in self.rows))
        return len(self.rows) - 1

    def replace(self, row, data):
        assert len(data) == len(self.rows[row])
        self.rows[row] = bytes(data)

    def offset_of(self, row):
        return self.number * self.fmt.page_size + self.starts[row]

    def entry_of(self, row):
        """Where the row's offset is kept, in the page's row table."""
        return self.number * self.fmt.page_size + self.fmt.page_header + 2 * row

    def build(self):
        fmt = self.fmt
        page = bytearray(fmt.page_size)
        page[0] = PAGE_DATA
        page[1] = 0x01
        page[4:8] = self.owner
        struct.pack_into("<H", page, fmt.row_count_at, len(self.rows))
        end = fmt.page_size
        for index, data in enumerate(self.rows):
            start = end - len(data)
            page[start:end] = data
            struct.pack_into("<H", page, fmt.page_header + 2 * index, start)
            end = start
        struct.pack_into("<H", page, 2, end - fmt.page_header - 2 * len(self.rows))
        return page


class Book:
    """The pages of the file, numbered as they are opened."""

    def __init__(self, fmt):
        self.fmt = fmt
        self.pages = []

    def open(self, page):
        self.pages.append(page)
        return len(self.pages) - 1

    def slotted(self, owner):
        page = SlottedPage(self.fmt, len(self.pages), owner)
        self.open(page)
        return page


class LongValues:
    """The LVAL pages of the table, filled in order."""

    def __init__(self, book):
        self.book = book
        self.fmt = book.fmt
        self.page = None
        self.pages = []

    def room(self):
        return -1 if self.page is None else self.page.room()

    def new_page(self):
        self.page = self.book.slotted(b"LVAL")
        self.pages.append(self.page)

    def add(self, data):
        if self.room() < len(data):
            self.new_page()
        return self.page, self.page.add(data)

    def single(self, stored):
        if len(stored) > self.fmt.largest_row():
            raise WriterError("a value of %d bytes does not fit one LVAL row" % len(stored))
        page, row = self.add(stored)
        return page.number << 8 | row, [piece_layout(page, row)]

    def chain(self, stored, piece=None):
        limit = self.fmt.largest_row() - 4
        if piece is not None:
            limit = max(1, min(limit, piece))
        places = []
        at = 0
        while True:
            want = min(len(stored) - at, limit)
            # A nearly full page is left alone rather than given a sliver of the value.
            if self.room() - 4 < min(want, 256):
                self.new_page()
            take = min(want, self.page.room() - 4)
            places.append((self.page, self.page.add(bytes(4 + take)), at, take))
            at += take
            if at >= len(stored):
                break
        layout = []
        for index, (page, row, start, take) in enumerate(places):
            following = 0
            if index + 1 < len(places):
                following = places[index + 1][0].number << 8 | places[index + 1][1]
            page.replace(row, struct.pack("<I", following) + stored[start:start + take])
            layout.append(piece_layout(page, row))
        first_page, first_row = places[0][0], places[0][1]
        return first_page.number << 8 | first_row, layout


def piece_layout(page, row):
    return {"page": page.number, "row": row, "offset": page.offset_of(row), "length": len(page.rows[row]),
            "entry": page.entry_of(row)}


def usage_map(fmt, pages, map_pages):
    """The usage map row of `pages`: type 0 (bits after a first page) when they fit its bytes, else type 1
    (pointers to 0x05 pages, numbered by `map_pages`: index -> page number)."""
    pages = sorted(pages)
    first = pages[0] if pages else 0
    if not pages or pages[-1] - first < fmt.map_bytes * 8:
        bits = bytearray(fmt.map_bytes)
        for page in pages:
            bits[(page - first) // 8] |= 1 << ((page - first) % 8)
        return bytes((0,)) + struct.pack("<I", first) + bytes(bits)
    row = bytearray(b"\x01" + bytes(fmt.map_bytes + 4))
    for index, number in map_pages.items():
        struct.pack_into("<I", row, 1 + 4 * index, number)
    return bytes(row)


def map_page_indexes(fmt, pages):
    """Which 0x05 pages a type 1 map of `pages` needs (none when a type 0 map holds them)."""
    pages = sorted(pages)
    if not pages or pages[-1] - pages[0] < fmt.map_bytes * 8:
        return []
    span = (fmt.page_size - 4) * 8
    indexes = sorted({page // span for page in pages})
    if indexes[-1] >= (fmt.map_bytes + 4) // 4:
        raise WriterError("the file is too large for its usage maps")
    return indexes


def build_map_page(fmt, index, pages):
    span = (fmt.page_size - 4) * 8
    page = bytearray(fmt.page_size)
    page[0] = PAGE_USAGE_MAP
    page[1] = 0x01
    for number in pages:
        if number // span == index:
            bit = number - index * span
            page[4 + bit // 8] |= 1 << (bit % 8)
    return page


def build_definition(fmt, coder, table_type, columns, row_count, used_map, free_map, long_value_maps,
                     compressed):
    """A TDEF page: the table's header, its columns, their names, then the usage maps of its Memo columns."""
    page = bytearray(fmt.page_size)
    page[0] = PAGE_DEFINITION
    page[1] = 0x01
    if not fmt.jet4:
        page[2:4] = b"VC"
    variable = sum(1 for c in columns if not c.fixed)
    if fmt.jet4:
        struct.pack_into("<I", page, 16, row_count)
        page[40] = table_type
        struct.pack_into("<HHHII", page, 41, len(columns), variable, len(columns), 0, 0)
        struct.pack_into("<II", page, 55, used_map, free_map)
    else:
        struct.pack_into("<I", page, 12, row_count)
        page[20] = table_type
        struct.pack_into("<HHHII", page, 21, len(columns), variable, len(columns), 0, 0)
        struct.pack_into("<II", page, 35, used_map, free_map)
    at = fmt.definition_header
    for column in columns:
        entry = bytearray(fmt.column_entry)
        entry[0] = column.kind
        flags = COLUMN_ALWAYS | (COLUMN_FIXED if column.fixed else 0)
        textual = column.kind in (TYPE_TEXT, TYPE_MEMO)
        if fmt.jet4:
            struct.pack_into("<HHH", entry, 5, column.number, column.var_index, column.number)
            if textual:
                struct.pack_into("<H", entry, 11, SORT_GENERAL)
            entry[15] = flags
            entry[16] = COLUMN_COMPRESSED if textual and compressed else 0
            struct.pack_into("<HH", entry, 21, column.fixed_offset, column.size(fmt))
        else:
            struct.pack_into("<HHH", entry, 1, column.number, column.var_index, column.number)
            if textual:
                struct.pack_into("<HH", entry, 7, SORT_GENERAL, coder.code_page)
            entry[13] = flags
            struct.pack_into("<HH", entry, 14, column.fixed_offset, column.size(fmt))
        page[at:at + len(entry)] = entry
        at += len(entry)
    for column in columns:
        name = coder.plain(column.name)
        length = struct.pack("<H", len(name)) if fmt.jet4 else bytes((len(name),))
        page[at:at + len(length) + len(name)] = length + name
        at += len(length) + len(name)
    for number, (used, free) in long_value_maps:
        page[at:at + 10] = struct.pack("<HII", number, used, free)
        at += 10
    page[at:at + 2] = b"\xff\xff"
    at += 2
    if at > fmt.page_size:
        raise WriterError("the table definition does not fit a page")
    struct.pack_into("<I", page, 8, at - 8)
    if fmt.jet4:
        struct.pack_into("<H", page, 2, max(0, fmt.page_size - at - 8))
    return page


def build_header(fmt, coder, args, created):
    page = bytearray(fmt.page_size)
    page[0:4] = b"\x00\x01\x00\x00"
    page[4:20] = b"Standard ACE DB\x00" if args.ace else b"Standard Jet DB\x00"
    struct.pack_into("<I", page, 0x14, 2 if args.ace else (1 if fmt.jet4 else 0))
    # The masked part, in clear.
    if fmt.jet4:
        struct.pack_into("<I", page, 0x6E, SORT_GENERAL)
    else:
        struct.pack_into("<H", page, 0x3A, SORT_GENERAL)
    struct.pack_into("<H", page, 0x3C, args.code_page)
    struct.pack_into("<I", page, 0x3E, args.encode_pages or 0)
    struct.pack_into("<d", page, 0x72, created)
    password = coder.plain(args.password or "")
    room = 40 if fmt.jet4 else 20
    if len(password) > room:
        raise WriterError("the password takes %d bytes, more than %d" % (len(password), room))
    field = bytearray(password.ljust(room, b"\x00"))
    if fmt.jet4:
        # Jet 4 masks its password once more with the whole days of the creation date.
        mask = struct.pack("<i", int(created))
        for i in range(room):
            field[i] ^= mask[i % 4]
    page[0x42:0x42 + room] = field
    end = MASKED_FROM + fmt.masked_length
    page[MASKED_FROM:end] = rc4(HEADER_KEY, page[MASKED_FROM:end])
    return page


# --- Values -------------------------------------------------------------------------------------------------


def read_rows(path, columns):
    with open(path, encoding="utf-8") as stream:
        rows = json.load(stream)
    if not isinstance(rows, list):
        raise WriterError("the rows file holds no JSON array")
    by_name = {column.name: column for column in columns}
    values = []
    for number, row in enumerate(rows, 1):
        if isinstance(row, list):
            if len(row) != len(columns):
                raise WriterError("row %d has %d values for %d columns" % (number, len(row), len(columns)))
            values.append(list(row))
        elif isinstance(row, dict):
            unknown = set(row) - set(by_name)
            if unknown:
                raise WriterError("row %d names no such column: %s" % (number, ", ".join(sorted(unknown))))
            values.append([row.get(column.name) for column in columns])
        else:
            raise WriterError("row %d is neither an array nor an object" % number)
    return values


class Value:
    def __init__(self, raw):
        self.null = raw is None
        self.text = None
        self.bytes = None
        self.compressed = None
        self.store = None
        self.piece = None
        if isinstance(raw, str):
            self.text = raw
        elif isinstance(raw, dict):
            unknown = set(raw) - {"text", "hex", "compressed", "store", "piece"}
            if unknown or ("text" in raw) == ("hex" in raw):
                raise WriterError("a value object takes \"text\" or \"hex\", and \"compressed\", \"store\", "
                                  "\"piece\": %r" % raw)
            if "hex" in raw:
                self.bytes = bytes.fromhex(raw["hex"])
            else:
                self.text = raw["text"]
                self.null = self.text is None
            self.compressed = raw.get("compressed")
            self.store = raw.get("store")
            self.piece = raw.get("piece")
            if self.store not in (None, "inline", "lval", "chain"):
                raise WriterError("\"store\" is inline, lval or chain, not %r" % self.store)
        elif raw is not None:
            raise WriterError("a value is null, a string or an object, not %r" % raw)


def stored_bytes(value, column, coder):
    if value.bytes is not None:
        return value.bytes
    if column.kind == TYPE_TEXT:
        characters = len(value.text)
        if coder.fmt.jet4:
            characters = len(value.text.encode("utf-16-le", "surrogatepass")) // 2
        if characters > column.length:
            raise WriterError("%r is longer than the %d characters of %s" % (value.text, column.length,
                                                                           column.name))
    return coder.value(value.text, value.compressed, column.kind == TYPE_MEMO)


def memo_field(length, flags, pointer):
    if length >= 1 << 30:
        raise WriterError("a Memo value of %d bytes is too long" % length)
    return struct.pack("<III", length | flags, pointer, 0)


def place_memo(value, stored, long_values, inline_max):
    store = value.store
    if store is None:
        if len(stored) <= inline_max:
            store = "inline"
        elif len(stored) <= long_values.fmt.largest_row():
            store = "lval"
        else:
            store = "chain"
    info = {"storage": store, "stored_length": len(stored), "chain": []}
    if store == "inline":
        return memo_field(len(stored), MEMO_INLINE, 0) + stored, info
    if store == "lval":
        pointer, info["chain"] = long_values.single(stored)
        return memo_field(len(stored), MEMO_ONE_ROW, pointer), info
    pointer, info["chain"] = long_values.chain(stored, value.piece)
    return memo_field(len(stored), 0, pointer), info


# --- The file -----------------------------------------------------------------------------------------------


def catalog_columns():
    return number_columns([
        Column("Id", TYPE_LONG),
        Column("ParentId", TYPE_LONG),
        Column("Name", TYPE_TEXT, 128),
        Column("Type", TYPE_INT),
        Column("DateCreate", TYPE_DATETIME),
        Column("DateUpdate", TYPE_DATETIME),
        Column("Flags", TYPE_LONG),
        Column("LvProp", TYPE_OLE),
    ])


def catalog_row(fmt, coder, columns, page, name, flags, created):
    fields = [struct.pack("<i", page), struct.pack("<i", 0), coder.plain(name), struct.pack("<h", 1),
              struct.pack("<d", created), struct.pack("<d", created), struct.pack("<I", flags), None]
    return encode_row(fmt, columns, fields)[0]


def write_database(args):
    fmt = Format(args.jet)
    if args.ace and not fmt.jet4:
        raise WriterError("an Access 2007 header goes with --jet 4")
    if args.compressed_text and not fmt.jet4:
        raise WriterError("Jet 3 has no compressed Unicode")
    coder = TextCoder(fmt, args.code_page, args.compressed_text)
    check_name(args.table)
    created = ole_date(datetime.datetime.fromisoformat(args.created))
    columns = parse_columns(args.columns)
    rows = read_rows(args.rows, columns)

    book = Book(fmt)
    book.open("header")
    maps_page = book.slotted(struct.pack("<I", 0))
    book.open("catalog definition")
    catalog_data = book.slotted(struct.pack("<I", CATALOG_PAGE))
    book.open("table definition")

    # The rows, their long values written as they come.
    long_values = LongValues(book)
    encoded = []
    for number, raw_row in enumerate(rows, 1):
        fields = []
        info = {}
        for column, raw in zip(columns, raw_row):
            try:
                value = Value(raw)
                if value.null:
                    fields.append(None)
                    info[column.name] = {"null": True}
                    continue
                stored = stored_bytes(value, column, coder)
                if column.kind == TYPE_MEMO:
                    field, info[column.name] = place_memo(value, stored, long_values, args.inline_max)
                else:
                    if value.store is not None:
                        raise WriterError("\"store\" is for Memo values")
                    field, info[column.name] = stored, {}
                info[column.name]["null"] = False
                fields.append(field)
            except WriterError as error:
                raise WriterError("row %d, %s: %s" % (number, column.name, error))
        row, where = encode_row(fmt, columns, fields)
        if len(row) > fmt.largest_row():
            raise WriterError("row %d takes %d bytes, more than a page holds" % (number, len(row)))
        for column in columns:
            info[column.name]["at"] = where[column.number]
            info[column.name]["length"] = len(fields[column.number] or b"")
        encoded.append((row, info))

    # How many data pages the rows take, to number the usage-map pages (type 0x05) before them.
    data_page_count = 0
    probe = None
    for row, _ in encoded:
        if probe is None or probe.room() < len(row):
            probe = SlottedPage(fmt, 0, b"")
            data_page_count += 1
        probe.add(row)
    lval_numbers = [page.number for page in long_values.pages]
    lval_map_pages = {index: book.open(None) for index in map_page_indexes(fmt, lval_numbers)}
    data_map_pages = {}
    while True:
        first_data = len(book.pages) + len(data_map_pages)
        data_numbers = list(range(first_data, first_data + data_page_count))
        needed = map_page_indexes(fmt, data_numbers)
        if len(needed) == len(data_map_pages):
            break
        data_map_pages = dict.fromkeys(needed, 0)
    for index in data_map_pages:
        data_map_pages[index] = book.open(None)
    for index, number in lval_map_pages.items():
        book.pages[number] = build_map_page(fmt, index, lval_numbers)
    for index, number in data_map_pages.items():
        book.pages[number] = build_map_page(fmt, index, data_numbers)
    map_page_numbers = sorted(list(lval_map_pages.values()) + list(data_map_pages.values()))

    table_data = []
    layout_rows = []
    for row, info in encoded:
        if not table_data or table_data[-1].room() < len(row):
            table_data.append(book.slotted(struct.pack("<I", TABLE_PAGE)))
        page = table_data[-1]
        index = page.add(row)
        start = page.offset_of(index)
        fields = {}
        for name, field in info.items():
            field = dict(field)
            field["offset"] = start + field.pop("at")
            fields[name] = field
        layout_rows.append({"page": page.number, "row": index, "offset": start, "length": len(row),
                            "entry": page.entry_of(index), "fields": fields})
    assert [page.number for page in table_data] == data_numbers

    # The usage maps, as rows of page 1.
    def add_map(pages, map_pages=None):
        return maps_page.number << 8 | maps_page.add(usage_map(fmt, pages, map_pages or {}))

    catalog_used = add_map([catalog_data.number])
    catalog_free = add_map([])
    table_used = add_map(data_numbers, data_map_pages)
    table_free = add_map([])
    long_value_maps = []
    memos = [column for column in columns if column.kind == TYPE_MEMO]
    if memos and lval_numbers:
        long_value_maps.append((memos[0].number, (add_map(lval_numbers, lval_map_pages), add_map([]))))

    system = catalog_columns()
    catalog_data.add(catalog_row(fmt, coder, system, CATALOG_PAGE, "MSysObjects", SYSTEM_OBJECT_FLAGS, created))
    catalog_data.add(catalog_row(fmt, coder, system, TABLE_PAGE, args.table, 0, created))
    book.pages[CATALOG_PAGE] = build_definition(fmt, coder, SYSTEM_TABLE, system, 2, catalog_used, catalog_free,
                                                [], False)
    book.pages[TABLE_PAGE] = build_definition(fmt, coder, USER_TABLE, columns, len(encoded), table_used,
                                              table_free, long_value_maps, args.compressed_text is not None)
    book.pages[0] = build_header(fmt, coder, args, created)

    pages = [page.build() if isinstance(page, SlottedPage) else page for page in book.pages]
    assert all(len(page) == fmt.page_size for page in pages)
    if args.encode_pages:
        for number in range(1, len(pages)):
            pages[number] = rc4(struct.pack("<I", args.encode_pages ^ number), pages[number])
    with open(args.output, "wb") as out:
        out.write(b"".join(pages))

    if args.layout:
        layout = {
            "jet": fmt.jet,
            "page_size": fmt.page_size,
            "page_count": len(pages),
            "encode_pages_key": args.encode_pages or None,
            "catalog": {"definition_page": CATALOG_PAGE, "data_pages": [catalog_data.number],
                        "usage_map": piece_layout(maps_page, catalog_used & 0xFF)},
            "table": {"name": args.table, "definition_page": TABLE_PAGE, "data_pages": data_numbers,
                      "long_value_pages": lval_numbers, "usage_map_pages": map_page_numbers,
                      "usage_map": piece_layout(maps_page, table_used & 0xFF)},
            "rows": layout_rows,
        }
        with open(args.layout, "w", encoding="utf-8") as out:
            json.dump(layout, out, indent=1)
            out.write("\n")


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--jet", type=int, choices=(3, 4), required=True)
    parser.add_argument("--rows", required=True)
    parser.add_argument("-o", "--output", required=True)
    parser.add_argument("--password", default="")
    parser.add_argument("--created", default="2004-03-12T14:05:00")
    parser.add_argument("--table", default="tblPlorn")
    parser.add_argument("--columns", default="NomPers:text,LesPlorns:memo")
    parser.add_argument("--compressed-text", nargs="?", const="shorter", choices=("shorter", "always"))
    parser.add_argument("--code-page", type=int, default=1252)
    parser.add_argument("--encode-pages", type=lambda text: int(text, 0), default=0)
    parser.add_argument("--ace", action="store_true")
    parser.add_argument("--inline-max", type=int, default=256)
    parser.add_argument("--layout")
    args = parser.parse_args(argv)
    if not 0 <= args.encode_pages <= 0xFFFFFFFF:
        parser.error("--encode-pages takes a 32-bit key")
    return args


def main(argv):
    args = parse_arguments(argv)
    try:
        write_database(args)
    except (WriterError, OSError, ValueError) as error:
        print("make_jet_ledger.py: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
