#!/usr/bin/env python3
"""Writes the fuzzers' seed files into the folders beside this script.

A device seed is a run of 65-byte steps: a byte choosing one of the fuzzer's tool calls (0xFF for
none), then a 64-byte report. A profile-file seed is the device kind (0 wheel base, 1 pedals,
2 button plate) and the file."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
NONE = 0xFF


def crc(data):
    value = 0xFFFFFFFF
    for start in range(0, len(data) - len(data) % 4, 4):
        value ^= struct.unpack_from("<I", data, start)[0]
        for _ in range(32):
            value = ((value << 1) ^ 0x04C11DB7 if value & 0x80000000 else value << 1) & 0xFFFFFFFF
    return value


def report(*fields):
    """A 64-byte report from (offset, bytes) pairs."""
    data = bytearray(64)
    for offset, value in fields:
        data[offset:offset + len(value)] = value
    return bytes(data)


def answer(command, version, *fields):
    return report((0, bytes([0x65, command, version])), *fields)


def record(index, size):
    return bytes([index]) + b"Profile %d" % index + bytes(size - 1 - len(b"Profile %d" % index))


def write(target, name, steps):
    os.makedirs(os.path.join(HERE, target), exist_ok=True)
    with open(os.path.join(HERE, target, name), "wb") as seed:
        seed.write(b"".join(bytes([call]) + data for call, data in steps))


INFO = (3, bytes([1, 1, 2, 1, 5, 0, 0]))
LOAD, SAVE, ADD, REMOVE, UPDATE = 0, 1, 2, 3, 4  # then the calls of the device class

# Wheel base: version 7, profile count and active index at byte 58, records of 54 bytes. Call 5
# centres the rim.
write("wheelbase", "load", [
    (LOAD, answer(3, 7, INFO, (10, b"\x78\x56\x34\x12"), (14, b"Jan 01 2026"), (58, b"\x02\x01"))),
    (NONE, answer(5, 7, (3, record(0, 54)))),
    (NONE, answer(5, 7, (3, record(1, 54)))),
])
write("wheelbase", "save-and-live-update", [
    (ADD, answer(4, 7)), (SAVE, answer(4, 7)), (NONE, answer(6, 7, (3, b"\x00"))),
    (UPDATE, answer(12, 7)), (NONE, answer(13, 7, (3, b"\x00"))),
])
write("wheelbase", "live-input", [
    (NONE, report((0, b"\x01\x10\x20\x01"))), (NONE, answer(2, 7, (4, b"\x01\x02\x03"))),
    (NONE, answer(9, 7, (3, b"\x01"))), (5, answer(7, 7, (3, record(0, 54)))),
])

# Pedals: version 4, count and active index at byte 26, records of 47 bytes; the load reads the
# calibration first. Calls 5 to 8: calibration start, stop, save and load.
write("pedals", "load", [
    (LOAD, answer(3, 4, INFO, (26, b"\x01\x00"))), (NONE, answer(10, 4, (3, bytes(range(20))))),
    (NONE, answer(5, 4, (3, record(0, 47)))),
])
write("pedals", "calibration", [
    (5, answer(14, 4)), (NONE, report((0, b"\x01"), (7, b"\x00\x00\x80\x00"))),
    (7, answer(11, 4)), (8, answer(10, 4, (3, bytes(range(20))))),
])

# Button plate: version 3, count and active index at byte 26, records of 39 bytes. Calls 5 and 6:
# statistics read and reset, 7 and 8: factory settings save and load, 9 and 10: clutch and
# shifter calibration save.
write("buttonplate", "load", [
    (LOAD, answer(3, 3, INFO, (10, b"\x01\x02\x03\x04"), (14, b"Jan 01 2026"), (26, b"\x01\x00"))),
    (NONE, answer(5, 3, (3, record(0, 39)))),
])
write("buttonplate", "statistics", [(5, answer(21, 3, (3, bytes([0]))))] +
      [(NONE, answer(21, 3, (3, bytes([page])))) for page in range(1, 7)] +
      [(6, answer(22, 3))])
write("buttonplate", "factory-and-calibration", [
    (7, answer(18, 3)), (8, answer(19, 3, (4, bytes(range(33))))), (9, answer(16, 3)),
    (NONE, report((0, b"\x01\x01\x00\x10"))), (NONE, answer(23, 3, (3, b"\x01"))),
])


# Bootloader: call 0 loads, call 1 sends a one-chunk image of zeros, call 2 a four-chunk one.
def echo(index, count, chunk):
    return report((0, b"\x65\x01"), (2, chunk), (34, struct.pack("<HHI", index, count, crc(chunk))))


write("bootloader", "load", [(0, answer(3, 2, INFO))])
write("bootloader", "update", [(1, echo(0, 1, bytes(32))), (NONE, answer(20, 2, (3, b"\x00")))])
write("bootloader", "failed-update", [(2, echo(0, 4, b"\x5a" * 32)), (NONE, echo(1, 4, bytes(32))),
                                      (NONE, answer(20, 2, (3, b"\x02")))])


def profile_file(file_type, data):
    image = struct.pack("<II", file_type, 0xF0BADEAF) + data
    image += bytes(-len(image) % 4)
    return image + struct.pack("<I", crc(image))


def legacy_file(data):
    return data + struct.pack("<I", crc(data))


for name, kind, content in [
        ("wheelbase.tprf", 0, profile_file(4, record(0, 54))),
        ("wheelbase-legacy", 0, legacy_file(record(0, 43))),
        ("pedals.tprf", 1, profile_file(2, record(0, 47))),
        ("pedals-legacy", 1, legacy_file(record(0, 41))),
        ("buttonplate.tprf", 2, profile_file(1, record(0, 39)))]:
    os.makedirs(os.path.join(HERE, "profilefile"), exist_ok=True)
    with open(os.path.join(HERE, "profilefile", name), "wb") as seed:
        seed.write(bytes([kind]) + content)

os.makedirs(os.path.join(HERE, "virtualbusinfo"), exist_ok=True)
with open(os.path.join(HERE, "virtualbusinfo", "wheelbase.info"), "w") as seed:
    seed.write("vendor_id=0x0483\nproduct_id=0x0001\nproduct=TARN Torvane Wheel Base\n"
               "serial=SIM-1\nmanufacturer=TARN\ninterface=0\ndevice_product=\n")
