#!/usr/bin/env python3
"""The package as shipped in dist/tavrino, read back as Windows reads it before it accepts it: the
zip's layout and order, each local header against the central directory, every block of the block
map against the data, the content types, the manifest against the build's identity and the
certificate, its logos both in the package and beside the programs, and the signature against the
shipped certificate. The user's documents name the family of test-signed builds, for removing it
by hand: they must name it right.
  check_package.py FOLDER --package FILE --certificate FILE --name NAME --publisher PUBLISHER
                   --version VERSION --clsid CLSID --osslsigncode PATH [--unsignable WHY]
                   [--document FILE]..."""
import argparse
import base64
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

sys.dont_write_bytecode = True  # leave no cache in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'package'))
import publisher  # noqa: E402

BLOCK = 64 * 1024
TEST_SUBJECT = 'CN=TavrinoRename Test'  # cmake/signing_certificate.cmake
FOOTER = ['AppxBlockMap.xml', '[Content_Types].xml', 'AppxSignature.p7x']
NS = {
    'm': 'http://schemas.microsoft.com/appx/manifest/foundation/windows10',
    'uap': 'http://schemas.microsoft.com/appx/manifest/uap/windows10',
    'uap10': 'http://schemas.microsoft.com/appx/manifest/uap/windows10/10',
    'rescap': 'http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities',
    'desktop4': 'http://schemas.microsoft.com/appx/manifest/desktop/windows10/4',
    'desktop5': 'http://schemas.microsoft.com/appx/manifest/desktop/windows10/5',
    'desktop6': 'http://schemas.microsoft.com/appx/manifest/desktop/windows10/6',
    'com': 'http://schemas.microsoft.com/appx/manifest/com/windows10',
    'b': 'http://schemas.microsoft.com/appx/2010/blockmap',
    'ct': 'http://schemas.openxmlformats.org/package/2006/content-types',
}
failures = []


def fail(message):
    failures.append(message)
    print('FAIL: ' + message)


class Entry:
    pass


def read_zip(data):
    """The entries from the central directory, each checked against its local header and data."""
    end = len(data) - 22
    if struct.unpack_from('<I', data, end)[0] != 0x06054b50:
        raise ValueError('no end-of-central-directory record at the end of the file')
    locator = end - 20
    if struct.unpack_from('<I', data, locator)[0] != 0x07064b50:
        raise ValueError('no ZIP64 end-of-central-directory locator')
    end64 = struct.unpack_from('<IIQI', data, locator)[2]
    sig, _, _, _, _, _, on_disk, count, size, start = struct.unpack_from('<IQHHIIQQQQ', data, end64)
    if sig != 0x06064b50 or on_disk != count:
        raise ValueError('no valid ZIP64 end-of-central-directory record')
    if start + size != end64:
        raise ValueError('the central directory does not end where the ZIP64 end record begins')
    entries, pos = [], start
    for _ in range(count):
        fields = struct.unpack_from('<IHHHHHHIIIHHHHHII', data, pos)
        if fields[0] != 0x02014b50:
            raise ValueError(f'central directory entry {len(entries) + 1} is damaged')
        e = Entry()
        (_, _, e.needed, e.flags, e.method, _, _, e.crc, e.csize, e.size, name_len, extra_len, comment_len,
         _, _, _, e.offset) = fields
        e.name = data[pos + 46:pos + 46 + name_len].decode('utf-8')
        extra = data[pos + 46 + name_len:pos + 46 + name_len + extra_len]
        e.zip64 = False
        while extra:
            kind, length = struct.unpack_from('<HH', extra)
            if kind == 0x0001:  # the 64-bit values, in this order, of the fields that hold 0xFFFFFFFF
                e.zip64 = True
                values = iter(struct.unpack_from(f'<{length // 8}Q', extra, 4))
                e.size = next(values) if e.size == 0xFFFFFFFF else e.size
                e.csize = next(values) if e.csize == 0xFFFFFFFF else e.csize
                e.offset = next(values) if e.offset == 0xFFFFFFFF else e.offset
            extra = extra[4 + length:]
        pos += 46 + name_len + extra_len + comment_len
        entries.append(e)
    if pos != start + size:
        raise ValueError('the central directory is longer than its entries')

    expected = 0
    for e in entries:
        where = f'{e.name}: '
        if e.offset != expected:
            fail(where + f'its local header is at {e.offset}, not right after the previous entry ({expected})')
        sig, needed, flags, method, _, _, crc, csize, size, name_len, extra_len = \
            struct.unpack_from('<IHHHHHIIIHH', data, e.offset)
        if sig != 0x04034b50:
            raise ValueError(where + 'no local header where the central directory points')
        if data[e.offset + 30:e.offset + 30 + name_len].decode('utf-8') != e.name:
            fail(where + 'the local header gives another name')
        if (needed, flags, method) != (e.needed, e.flags, e.method):
            fail(where + 'the local header differs from the central directory in version, flags or method')
        e.header = 30 + name_len + extra_len
        e.stored = data[e.offset + e.header:e.offset + e.header + e.csize]
        after = e.offset + e.header + e.csize
        if flags & 0x0008:
            if (crc, csize, size) != (0, 0, 0):
                fail(where + 'a local header with a data descriptor that also gives sizes')
            layout = '<IIQQ' if e.zip64 else '<IIII'
            sig, crc, csize, size = struct.unpack_from(layout, data, after)
            if sig != 0x08074b50:
                fail(where + 'no data descriptor after the data')
            after += struct.calcsize(layout)
        if (crc, csize, size) != (e.crc, e.csize, e.size):
            fail(where + 'CRC or sizes of the local entry differ from the central directory')
        if e.method == 8:
            e.content = zlib.decompress(e.stored, -15)
        elif e.method == 0:
            e.content = e.stored
        else:
            raise ValueError(where + f'compression method {e.method}')
        if len(e.content) != e.size or zlib.crc32(e.content) != e.crc:
            fail(where + 'the data do not match the size or CRC of the central directory')
        expected = after
    if expected != start:
        fail(f'{expected - start} bytes between the last entry and the central directory')
    return entries


def check_block_map(entries, payload):
    root = ET.fromstring(entries['AppxBlockMap.xml'].content)
    if root.tag != f'{{{NS["b"]}}}BlockMap' or root.get('HashMethod') != 'http://www.w3.org/2001/04/xmlenc#sha256':
        fail('the block map is not a SHA-256 block map')
    files = root.findall('b:File', NS)
    names = [f.get('Name').replace('\\', '/') for f in files]
    if names != payload:
        fail(f'the block map lists {names}, the package holds {payload} before it')
    for f in files:
        e = entries.get(f.get('Name').replace('\\', '/'))
        if e is None:
            continue
        where = f'block map, {e.name}: '
        if int(f.get('Size')) != e.size:
            fail(where + f'Size {f.get("Size")}, the file has {e.size} bytes')
        if int(f.get('LfhSize')) != e.header:
            fail(where + f'LfhSize {f.get("LfhSize")}, the local header has {e.header} bytes')
        blocks = f.findall('b:Block', NS)
        if len(blocks) != (e.size + BLOCK - 1) // BLOCK:
            fail(where + f'{len(blocks)} blocks for {e.size} bytes')
            continue
        pos = 0
        for i, b in enumerate(blocks):
            plain = e.content[i * BLOCK:(i + 1) * BLOCK]
            if e.method == 8:
                # Each block is read on its own: it must inflate with a fresh state to its 64 KiB.
                part = e.stored[pos:pos + int(b.get('Size'))]
                pos += len(part)
                if zlib.decompressobj(-15).decompress(part) != plain:
                    fail(where + f'block {i} does not inflate on its own to its data')
            elif b.get('Size') is not None:
                fail(where + f'block {i} of a stored file gives a compressed size')
            if base64.b64decode(b.get('Hash')) != hashlib.sha256(plain).digest():
                fail(where + f'the hash of block {i} does not match its data')
        if e.method == 8 and e.stored[pos:] != b'\x03\x00':
            fail(where + 'the deflated data do not end with the closing empty block after the last block')


def check_content_types(entries, payload):
    root = ET.fromstring(entries['[Content_Types].xml'].content)
    defaults = {d.get('Extension').lower(): d.get('ContentType') for d in root.findall('ct:Default', NS)}
    overrides = {o.get('PartName').lower(): o.get('ContentType') for o in root.findall('ct:Override', NS)}

    def content_type(name):
        return overrides.get('/' + name.lower(), defaults.get(name.rsplit('.', 1)[-1].lower()))
    for name in payload:
        if content_type(name) is None:
            fail(f'content types: no type for {name}')
    for name, kind in (('AppxManifest.xml', 'application/vnd.ms-appx.manifest+xml'),
                       ('AppxBlockMap.xml', 'application/vnd.ms-appx.blockmap+xml'),
                       ('AppxSignature.p7x', 'application/vnd.ms-appx.signature')):
        if content_type(name) != kind:
            fail(f'content types: {name} is "{content_type(name)}", not "{kind}"')


def png_size(data):
    if data[:8] != b'\x89PNG\r\n\x1a\n' or data[12:16] != b'IHDR':
        return None
    return struct.unpack_from('>II', data, 16)


def check_manifest(entries, folder, args, subject):
    root = ET.fromstring(entries['AppxManifest.xml'].content)
    identity = root.find('m:Identity', NS)
    for key, value in (('Name', args.name), ('Publisher', args.publisher), ('Version', args.version),
                       ('ProcessorArchitecture', 'x64')):
        if identity.get(key) != value:
            fail(f'manifest: Identity {key} is "{identity.get(key)}", the build says "{value}"')
    if identity.get('Publisher') != subject:
        fail(f'manifest: Publisher "{identity.get("Publisher")}" is not the certificate\'s subject "{subject}"')
    if root.findtext('m:Properties/uap10:AllowExternalContent', namespaces=NS) != 'true':
        fail('manifest: external content is not allowed')
    capabilities = {c.get('Name') for c in root.findall('m:Capabilities/rescap:Capability', NS)}
    if 'runFullTrust' not in capabilities:
        fail('manifest: no runFullTrust capability')
    # What the command tree records must reach the hive the classic handler reads.
    if root.findtext('m:Properties/desktop6:RegistryWriteVirtualization', namespaces=NS) != 'disabled' or \
            'unvirtualizedResources' not in capabilities:
        fail('manifest: registry writes of the package\'s processes may be virtualized')

    # Logos come from the package, or from the external location: the same PNG files of the size
    # their name says, in both places.
    application = root.find('m:Applications/m:Application', NS)
    visual = application.find('uap:VisualElements', NS)
    logos = [(root.findtext('m:Properties/m:Logo', namespaces=NS), 50),
             (visual.get('Square44x44Logo'), 44), (visual.get('Square150x150Logo'), 150)]
    for logo, edge in logos:
        e = entries.get((logo or '').replace('\\', '/'))
        if e is None:
            fail(f'manifest: logo {logo} is not in the package')
        elif png_size(e.content) != (edge, edge):
            fail(f'manifest: logo {logo} is not a {edge}x{edge} PNG file')
        beside = os.path.join(folder, *(logo or '').replace('\\', '/').split('/'))
        if not os.path.isfile(beside):
            fail(f'manifest: logo {logo} is not beside the programs')
        elif e is not None and open(beside, 'rb').read() != e.content:
            fail(f'manifest: logo {logo} beside the programs differs from the one in the package')
    if visual.get('AppListEntry') != 'none':
        fail('manifest: the application would appear in the Start menu')

    # The programs come from the external location: the folder the package is shipped in.
    if not os.path.isfile(os.path.join(folder, application.get('Executable'))):
        fail(f'manifest: Executable {application.get("Executable")} is not beside the package')
    menus = application.find('m:Extensions/desktop4:Extension[@Category="windows.fileExplorerContextMenus"]'
                             '/desktop4:FileExplorerContextMenus', NS)
    types = {t.get('Type'): [v.get('Clsid') for v in t.findall('desktop5:Verb', NS)]
             for t in (menus.findall('desktop5:ItemType', NS) if menus is not None else [])}
    for kind in ('*', 'Directory'):
        if types.get(kind) != [args.clsid]:
            fail(f'manifest: the verbs for item type "{kind}" name {types.get(kind)}, not [{args.clsid}]')
    classes = application.findall('m:Extensions/com:Extension[@Category="windows.comServer"]'
                                  '/com:ComServer/com:SurrogateServer/com:Class', NS)
    if [(c.get('Id'), c.get('Path'), c.get('ThreadingModel')) for c in classes] != \
            [(args.clsid, 'tavrino_shellext.dll', 'STA')]:
        fail(f'manifest: the COM classes are {[c.attrib for c in classes]}')
    for c in classes:
        if not os.path.isfile(os.path.join(folder, c.get('Path'))):
            fail(f'manifest: class {c.get("Id")} loads {c.get("Path")}, which is not beside the package')


def check_signature(package, entries, certificate, osslsigncode):
    p7x = entries['AppxSignature.p7x'].content
    if p7x[:4] != b'PKCX':
        fail('AppxSignature.p7x does not start with PKCX')
    with tempfile.TemporaryDirectory() as work:
        pem = os.path.join(work, 'certificate.pem')
        subprocess.run(['openssl', 'x509', '-inform', 'DER', '-in', certificate, '-out', pem], check=True)
        # The signer must be the shipped certificate: it is what a user is told to trust.
        signature = os.path.join(work, 'signature.p7')
        with open(signature, 'wb') as f:
            f.write(p7x[4:])
        certs = subprocess.run(['openssl', 'pkcs7', '-inform', 'DER', '-in', signature, '-print_certs'],
                               capture_output=True, text=True).stdout
        shipped = ''.join(open(pem).read().split('-----')[2].split())
        if shipped not in ''.join(certs.split()):
            fail('the package is not signed with the shipped certificate')
        # A certificate from an authority chains to the system's roots, the test certificate to itself.
        trusted = os.path.join(work, 'trusted.pem')
        with open(trusted, 'w') as f:
            f.write(open(pem).read())
            if os.path.isfile('/etc/ssl/certs/ca-certificates.crt'):
                f.write(open('/etc/ssl/certs/ca-certificates.crt').read())
        result = subprocess.run([osslsigncode, 'verify', '-in', package, '-CAfile', trusted],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0:
            fail('osslsigncode verify refuses the signature:\n' + result.stdout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('folder')
    for option in ('package', 'certificate', 'name', 'publisher', 'version', 'clsid', 'osslsigncode'):
        parser.add_argument('--' + option, required=True)
    parser.add_argument('--unsignable')
    parser.add_argument('--document', action='append', default=[])
    args = parser.parse_args()

    family = f'{args.name}_{publisher.publisher_id(TEST_SUBJECT)}'
    for document in args.document:
        if family not in open(document, encoding='utf-8').read():
            fail(f'{document} does not name {family}, the package family of test-signed builds')

    package = os.path.join(args.folder, args.package)
    certificate = os.path.join(args.folder, args.certificate)
    if not os.path.isfile(package):
        sys.exit(f'FAIL: no {args.package} in {args.folder}: '
                 + (args.unsignable or 'the build did not make it (see its output: it ships no unsigned package)'))
    if not os.path.isfile(certificate):
        sys.exit(f'FAIL: no {args.certificate} beside the package: a user could not trust its signer')
    subject = publisher.subject(publisher.der(certificate))

    data = open(package, 'rb').read()
    try:
        ordered = read_zip(data)
    except (ValueError, struct.error, zlib.error) as e:
        sys.exit(f'FAIL: {args.package} is not a package Windows can read: {e}')
    names = [e.name for e in ordered]
    entries = {e.name: e for e in ordered}
    if len(entries) != len({n.lower() for n in names}) or len(entries) != len(names):
        fail(f'names occur twice: {names}')
    if names[-len(FOOTER):] != FOOTER or any(n in FOOTER for n in names[:-len(FOOTER)]):
        fail(f'the package holds {names}: the payload must come first, then {", ".join(FOOTER)}')
    if 'AppxManifest.xml' not in entries or any(n not in entries for n in FOOTER):
        sys.exit(f'FAIL: the package lacks the manifest or one of {", ".join(FOOTER)}')
    payload = names[:-len(FOOTER)]

    check_block_map(entries, payload)
    check_content_types(entries, payload)
    check_manifest(entries, args.folder, args, subject)
    check_signature(package, entries, certificate, args.osslsigncode)
    if failures:
        sys.exit(1)
    print(f'{args.package}: {", ".join(payload)}; blocks, content types and manifest as the build made them; '
          f'signed by "{subject}"')


if __name__ == '__main__':
    main()
