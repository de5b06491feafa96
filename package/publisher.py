#!/usr/bin/env python3
"""The subject of a certificate written the way Windows writes a package's Publisher, which must
equal it exactly: the names from the last to the first, "KEY=value" joined by ", ", a value in
double quotes (inner quotes doubled) when it holds a character the manifest's pattern forbids or
starts or ends with a space; and the publisher id that Windows puts into the package family name.
The standard library only.
Usage: publisher.py CERT (DER or PEM)   prints the subject
       publisher.py --id PUBLISHER      prints the publisher id"""
import base64
import hashlib
import re
import sys

# Windows' short names of the attribute types; any other type is written as OID.n.n...
KEYS = {
    '2.5.4.3': 'CN', '2.5.4.7': 'L', '2.5.4.10': 'O', '2.5.4.11': 'OU', '1.2.840.113549.1.9.1': 'E',
    '2.5.4.6': 'C', '2.5.4.8': 'S', '2.5.4.9': 'STREET', '2.5.4.12': 'T', '2.5.4.42': 'G', '2.5.4.43': 'I',
    '2.5.4.4': 'SN', '0.9.2342.19200300.100.1.25': 'DC', '2.5.4.5': 'SERIALNUMBER', '2.5.4.13': 'Description',
    '2.5.4.17': 'PostalCode', '2.5.4.18': 'POBox', '2.5.4.20': 'Phone', '2.5.4.24': 'X21Address',
    '2.5.4.46': 'dnQualifier',
}
STRINGS = {0x0c: 'utf-8', 0x13: 'ascii', 0x16: 'ascii', 0x14: 'latin-1', 0x1e: 'utf-16-be', 0x1c: 'utf-32-be'}
NEEDS_QUOTES = re.compile(r'[,+="<>#;\n]|^\s|\s$|^$')


def tlv(data, pos):
    """(tag, start of contents, end of contents) of the DER element at pos."""
    tag, length = data[pos], data[pos + 1]
    pos += 2
    if length & 0x80:
        count = length & 0x7f
        length = int.from_bytes(data[pos:pos + count], 'big')
        pos += count
    return tag, pos, pos + length


def children(data, start, end):
    while start < end:
        element = tlv(data, start)
        yield element
        start = element[2]


def oid(body):
    arcs, value = [], 0
    for b in body:
        value = value << 7 | (b & 0x7f)
        if not b & 0x80:
            arcs.append(value)
            value = 0
    top = min(arcs[0] // 40, 2)  # the first number holds the first two arcs
    return '.'.join(map(str, [top, arcs[0] - 40 * top] + arcs[1:]))


def der(path):
    data = open(path, 'rb').read()
    if data.startswith(b'-----BEGIN'):
        text = data.decode('ascii')
        body = re.search(r'-----BEGIN [^-]+-----(.*?)-----END', text, re.S).group(1)
        data = base64.b64decode(''.join(body.split()))
    return data


def subject(cert):
    """The subject of a DER certificate in Windows' form."""
    _, start, end = tlv(cert, 0)
    _, start, end = tlv(cert, start)  # the signed part
    fields = list(children(cert, start, end))
    if fields[0][0] == 0xa0:  # explicit version
        fields = fields[1:]
    _, start, end = fields[4]  # serial, signature algorithm, issuer, validity, subject
    names = []
    for _, set_start, set_end in children(cert, start, end):
        attributes = list(children(cert, set_start, set_end))
        if len(attributes) != 1:
            raise ValueError('a multi-valued name cannot be a package publisher')
        _, a_start, a_end = attributes[0]
        (_, o_start, o_end), (tag, v_start, v_end) = children(cert, a_start, a_end)
        number = oid(cert[o_start:o_end])
        if tag not in STRINGS:
            raise ValueError(f'name {number} has a value of DER type {tag:#x}')
        value = cert[v_start:v_end].decode(STRINGS[tag])
        if NEEDS_QUOTES.search(value):
            value = '"' + value.replace('"', '""') + '"'
        names.append(KEYS.get(number, 'OID.' + number) + '=' + value)
    return ', '.join(reversed(names))


def publisher_id(publisher):
    """The first 64 bits of SHA-256 over the UTF-16 publisher, in Crockford's base 32."""
    n = int.from_bytes(hashlib.sha256(publisher.encode('utf-16-le')).digest()[:8], 'big') << 1
    alphabet = '0123456789abcdefghjkmnpqrstvwxyz'
    return ''.join(alphabet[(n >> (5 * (12 - i))) & 31] for i in range(13))


if __name__ == '__main__':
    if sys.argv[1] == '--id':
        print(publisher_id(sys.argv[2]), end='')
        sys.exit(0)
    try:
        print(subject(der(sys.argv[1])), end='')
    except (OSError, ValueError, IndexError) as e:
        sys.exit(f'{sys.argv[1]}: cannot read the certificate\'s subject: {e}')
