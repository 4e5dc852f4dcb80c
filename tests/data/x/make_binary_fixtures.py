#!/usr/bin/env python3
"""Writes two_materials_bin.x (binary) and two_materials_bzip.x (binary, MSZIP) with the
same content as two_materials.x, token by token as the binary .x format lays them out."""
import struct
import zlib

NAME, STRING, INTEGER, GUID, INT_LIST, FLOAT_LIST = 1, 2, 3, 5, 6, 7
OBRACE, CBRACE, SEMICOLON, TEMPLATE, FLOAT = 10, 11, 20, 31, 42


def tok(code):
    return struct.pack('<H', code)


def name(s):
    return tok(NAME) + struct.pack('<I', len(s)) + s.encode()


def string(s):
    return tok(STRING) + struct.pack('<I', len(s)) + s.encode() + tok(SEMICOLON)


def ints(values):
    return tok(INT_LIST) + struct.pack('<I', len(values)) + struct.pack('<%dI' % len(values), *values)


def floats(values):
    return tok(FLOAT_LIST) + struct.pack('<I', len(values)) + struct.pack('<%df' % len(values), *values)


def obj(type_name, obj_name, *body):
    out = name(type_name)
    if obj_name:
        out += name(obj_name)
    return out + tok(OBRACE) + b''.join(body) + tok(CBRACE)


def reference(ref):
    return tok(OBRACE) + name(ref) + tok(CBRACE)


template = (tok(TEMPLATE) + name('Vector') + tok(OBRACE) + tok(GUID) + bytes(range(16)) +
            tok(FLOAT) + name('x') + tok(SEMICOLON) + tok(FLOAT) + name('y') + tok(SEMICOLON) +
            tok(FLOAT) + name('z') + tok(SEMICOLON) + tok(CBRACE))

red = obj('Material', 'Red', floats([1, 0, 0, 1, 8, 0.5, 0.5, 0.5, 0, 0, 0]),
          obj('TextureFilename', None, string('red.png')))
mesh = obj('Mesh', 'Quad',
           ints([5]), floats([0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0]),
           ints([2, 4, 0, 3, 2, 1, 3, 1, 2, 4]),
           obj('MeshNormals', None, ints([2]), floats([0, 0, -1, 1, 0, 0]), ints([2, 4, 0, 0, 0, 0, 3, 1, 1, 1])),
           obj('MeshTextureCoords', None, ints([5]), floats([0, 1, 1, 1, 1, 0, 0, 0, 0.5, 0.5])),
           obj('MeshMaterialList', None, ints([2, 2, 1, 0]), reference('Red'),
               obj('Material', None, floats([0, 1, 0, 0.5, 2, 0, 0, 0, 0.1, 0.2, 0.3]))))
body = template + red + mesh

with open('two_materials_bin.x', 'wb') as f:
    f.write(b'xof 0303bin 0032' + body)

# Small blocks so that later blocks need the earlier output as their dictionary.
BLOCK = 96
packed = b''
previous = b''
for start in range(0, len(body), BLOCK):
    chunk = body[start:start + BLOCK]
    c = zlib.compressobj(9, zlib.DEFLATED, -15, zdict=previous[-32768:]) if previous else \
        zlib.compressobj(9, zlib.DEFLATED, -15)
    data = c.compress(chunk) + c.flush()
    packed += struct.pack('<HH', len(chunk), len(data) + 2) + b'CK' + data
    previous += chunk
with open('two_materials_bzip.x', 'wb') as f:
    f.write(b'xof 0303bzip0032' + struct.pack('<I', len(body) + 16) + packed)
