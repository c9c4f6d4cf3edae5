"""Test peer for the storage tests: writes tables with Debian's python3-dbf,
reads tables with python3-dbf and python3-dbfread, and builds a Visual FoxPro
table with varchar fields byte by byte from the published layout (neither
library writes varchar).

Usage:
  dbf_peer.py write FOLDER        writes d3.dbf (dBase III + memo), fp.dbf (FoxPro
                                  + memo) and vfp.dbf (Visual FoxPro, nullable)
  dbf_peer.py read TABLE          prints every record as read by dbfread, then by dbf
  dbf_peer.py varchar TABLE       writes the varchar example table
"""
import datetime
import struct
import sys


def write(folder):
    import dbf
    t = dbf.Table(folder + '/d3.dbf', 'NAME C(10); AMT N(8,2); DAY D; OK L; NOTE M', dbf_type='db3')
    t.open(dbf.READ_WRITE)
    t.append(('Bob', -3.25, datetime.date(1999, 12, 31), False, 'x' * 600))
    t.append(('Eve', 7, None, True, ''))
    t.close()
    t = dbf.Table(folder + '/fp.dbf', 'NAME C(10); AMT N(8,2); NOTE M; PIC G', dbf_type='fp')
    t.open(dbf.READ_WRITE)
    t.append(('Cy', 1, 'fox memo', b'\x00\x01\x1a\xff'))
    t.close()
    # Nullable fields first: then the null bits are the same whichever way a
    # writer numbers them.
    t = dbf.Table(folder + '/vfp.dbf',
                  'NAME C(10) NULL; QTY I NULL; WHEN T NULL; NOTE M NULL; PRICE Y; RATE B',
                  dbf_type='vfp', codepage='cp1252')
    t.open(dbf.READ_WRITE)
    t.append(('Anna\xe9', 5, datetime.datetime(2024, 3, 15, 13, 45, 30), 'hello memo', 12.3456, 1.5))
    t.append((dbf.Null, dbf.Null, dbf.Null, dbf.Null, 0, -2.0))
    t.close()
    # A field that cannot be null first, then eight that can: this writer
    # numbers the null bits by field position and so needs two bytes.
    t = dbf.Table(folder + '/pos.dbf', 'ID I; ' + '; '.join('F%d C(1) NULL' % i for i in range(1, 9)),
                  dbf_type='vfp')
    t.open(dbf.READ_WRITE)
    t.append((1, dbf.Null) + ('a',) * 7)
    t.close()


def show(value):
    if value is None:
        return 'NULL'
    if isinstance(value, bytes):
        return value.hex()
    if isinstance(value, float):
        return repr(round(value, 6))
    if isinstance(value, str):
        return repr(value.rstrip())
    return str(value)


def read(name):
    import dbf
    import dbfread
    for record in dbfread.DBF(name, encoding='cp1252', char_decode_errors='strict'):
        print('dbfread', ' '.join('%s=%s' % (k, show(v)) for k, v in record.items()))
    table = dbf.Table(name)
    table.open(dbf.READ_ONLY)
    for record in table:
        values = []
        for field in table.field_names:
            value = record[field]
            if value is dbf.Null or (hasattr(dbf, 'NullType') and isinstance(value, dbf.NullType)):
                value = None
            if isinstance(value, (dbf.Date, dbf.DateTime)) if hasattr(dbf, 'DateTime') else False:
                value = value._date if hasattr(value, '_date') else value
            values.append('%s=%s' % (field.upper(), show(value)))
        print('dbf', ' '.join(values))
    table.close()


def varchar(name):
    # The worked example of the null-flag layout: NAME C(10) NULL, CODE V(20),
    # NOTE V(30) NULL, QTY I NULL, CITY C(15), then _NullFlags of one byte.
    fields = [('NAME', b'C', 10, 0x02), ('CODE', b'V', 20, 0x00), ('NOTE', b'V', 30, 0x02),
              ('QTY', b'I', 4, 0x02), ('CITY', b'C', 15, 0x00), ('_NullFlags', b'0', 1, 0x05)]
    header_length = 32 + 32 * len(fields) + 1 + 263
    record_length = 1 + sum(f[2] for f in fields)
    out = bytearray(struct.pack('<BBBBIHH', 0x32, 24, 3, 15, 2, header_length, record_length))
    out += bytes(16) + bytes([0, 0x03]) + bytes(2)
    offset = 1
    for fname, ftype, length, flags in fields:
        out += fname.encode().ljust(11, b'\0') + ftype + struct.pack('<I', offset)
        out += bytes([length, 0, flags]) + bytes(13)
        offset += length
    out += b'\r' + bytes(263)
    # Record 1: NAME NULL, CODE "AB" (short), NOTE full 30 bytes, QTY 7, CITY "Paris".
    code = b'AB'.ljust(19, b' ') + bytes([2])
    out += b' ' + b' ' * 10 + code + b'n' * 30 + struct.pack('<i', 7) + b'Paris'.ljust(15) + bytes([0x03])
    # Record 2: NAME "x", CODE empty (length 0), NOTE NULL, QTY NULL, CITY blank.
    code = b' ' * 19 + bytes([0])
    out += b' ' + b'x'.ljust(10) + code + b' ' * 30 + struct.pack('<i', 0) + b' ' * 15 + bytes([0x02 | 0x04 | 0x08 | 0x10])
    out += b'\x1a'
    with open(name, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    command, argument = sys.argv[1], sys.argv[2]
    {'write': write, 'read': read, 'varchar': varchar}[command](argument)
