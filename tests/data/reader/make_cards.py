#!/usr/bin/env python3
"""Writes the card cases in cards/ (see README.md). Run from this folder: python3 make_cards.py

Real read-outs are copied from their published sources with the owner data left out; the other
cards are built here byte by byte from SportIdent's published description of each card series,
without the application's decoder or its station simulator.
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "cards")
STATION = bytes.fromhex("0022")


def crc(data: bytes) -> int:
    """SportIdent CRC-16: words high byte first, first word as start value, polynomial 0x8005."""
    if len(data) < 2:
        return 0
    value = data[0] << 8 | data[1]
    if len(data) == 2:
        return value
    padded = data[2:] + (b"\0\0" if len(data) % 2 == 0 else b"\0")
    for i in range(0, len(padded), 2):
        word = padded[i] << 8 | padded[i + 1]
        for _ in range(16):
            carry = value & 0x8000
            value = ((value << 1) | (1 if word & 0x8000 else 0)) & 0xFFFF
            word = (word << 1) & 0xFFFF
            if carry:
                value ^= 0x8005
    return value


def frame(command: int, payload: bytes) -> str:
    body = bytes([command, len(payload)]) + payload
    c = crc(body)
    return (b"\x02" + body + bytes([c >> 8, c & 0xFF, 0x03])).hex().upper()


def write(name, lines):
    with open(os.path.join(OUT, name + ".card"), "w") as f:
        f.write("\n".join(lines) + "\n")


def blocks_lines(blocks):
    return ["block %d %s" % (n, data.hex().upper()) for n, data in sorted(blocks.items())]


# ---------------------------------------------------------------------------------------------
# Real read-outs, sportident-rs (github.com/yogevm15/sportident-rs, Apache-2.0),
# src/protocol/card_blocks/tests/{si8,siac}.rs: header bytes 0-31 and punch records as published;
# owner data (SI8 bytes 32-135, SIAC bytes 32-127) replaced by filler.

def si8(header_hex, punches_hex):
    memory = bytearray(bytes.fromhex(header_hex) + b"\0" * (136 - 32) + b"\xEE" * 120)
    punches = bytes.fromhex(punches_hex)
    memory[136:136 + len(punches)] = punches
    assert len(memory) == 256
    return {0: bytes(memory[:128]), 1: bytes(memory[128:])}


def siac(header_hex, punches_hex):
    block0 = bytes.fromhex(header_hex) + b"\xEE" * 96
    punches = bytes.fromhex(punches_hex)
    area = punches + b"\xEE" * (512 - len(punches))
    assert len(block0) == 128 and len(area) == 512
    return {0: block0, 4: area[0:128], 5: area[128:256], 6: area[256:384], 7: area[384:512]}


RS = ["# Real card read-out: sportident-rs (Apache-2.0), owner data left out.", "kind si8"]
SI8_FULL = si8("05760c87eaeaeaea1a01a3422a01a3441a01a37b00431e42021f9b2a0cffcbfe",
               "2a3fa34d2a43a34e2a3fa34f2a43a34f2a3fa3502a43a3512a3fa3512a43a3522a3fa3522a43a353"
               "2a3fa3532a43a3542a3fa3542a43a3552a3fa3562a43a3562a3fa3572a43a3582a3fa3592a43a359"
               "2a3fa35a2a43a35a2a3fa35b2a43a35c2a3fa35d2a43a35e2a3fa35e2a43a35f2a3fa35f2a43a360")
SI8_HALF = si8("05760c87eaeaeaea1a01a65e2a01a6571a01a670003f0f88021f9b2a0cffcbfe",
               "2a3fa6592a43a65a2a3fa65b2a43a65c2a3fa65c2a43a65d2a3fa65e2a43a65e2a3fa65f2a43a660"
               "2a3fa6612a43a6622a3fa6622a43a6632a3fa664")
SIAC_FULL = siac("0940259feaeaeaea1a01a84c2a01a8471b0101477f2680e20f81c29101175d83",
                 "2a3fa84a2a43a84d2a3fa84f2a43a84d2a3fa8552a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a"
                 "2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a"
                 "2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2a43a85a"
                 "2a3fa85d2a43a85a2a3fa85d2a43a85a2a3fa85d2b4300002b3f00032b4300002b3f00092b430000"
                 "2b3f00092b4300002b3f00142b4300002b3f00142b4300002b3f00142b4300002b3f00142b430000"
                 "2b3f00142b4300302b3f00142b4300302b3f00142b4300302b3f00142b4300432b3f00142b430043"
                 "2b3f00142b4300432b3f00502b4300432b3f00552b4300582b3f00552b4300582b3f00552b430058"
                 "2b3f00682b43006b2b3f006e2b43006b2b3f00742b43006b2b3f00742b43006b2b3f00742b43006b"
                 "2b3f00742b43006b2b3f00742b43006b2b3f00742b43006b2b3f00742b43006b2b3f00742b43006b"
                 "2b3f00742b43006b2b3f00742b43006b2b3f00742b4300a72b3f00742b4300ad2b3f00742b4300ad"
                 "2b3f00b42b4300b72b3f00b92b4300b72b3f00b92b4300b72b3f00b92b4300b72b3f00c92b4300cc"
                 "2b3f00cf2b4300cc2b3f00cf2b4300d72b3f00cf2b4300d72b3f00cf2b4300d72b3f00cf2b4300e6"
                 "2b3f00cf2b4300e62b3f00ee2b4300e62b3f00ee2b4300f62b3f00ee2b4300f6")
assert len(bytes.fromhex("".join(SIAC_FULL[b].hex() for b in (4, 5, 6, 7)))) == 512
SIAC_HALF = siac("0940259feaeaeaea1b010250eeeeeeee1b0104133f3540d70f81c29101175d83",
                 "2b43026c2b3f028d2b4302b92b3f02bc2b4302b92b3f02bc2b4302b92b3f02bc2b4302b92b3f02bc"
                 "2b4302b92b3f02bc2b4302b92b3f02bc2b4302b92b3f02bc2b4302b92b3f02bc2b4302b92b3f02bc"
                 "2b4302b92b3f02bc2b4302b92b3f02bc2b4302fb2b3f032e2b4303312b3f032e2b4303312b3f033b"
                 "2b4303312b3f033b2b4303432b3f03482b43034b2b3f03482b43034b2b3f03482b4303572b3f0359"
                 "2b43035c2b3f035e2b4303772b3f037a2b4303772b3f037a2b4303772b3f037a2b4303772b3f037a"
                 "2b4303b72b3f03ba2b4303b72b3f03ba2b4303c92b3f03cb2b4303c92b3f03cb2b4303c92b3f03cb"
                 "2b4303c92b3f03f12b4303f82b3f0401")
assert SIAC_FULL[7][-4:] == bytes.fromhex("2b4300f6")


def expect_si8_full():
    times = ["11:36:45", "11:36:46", "11:36:47", "11:36:47", "11:36:48", "11:36:49", "11:36:49",
             "11:36:50", "11:36:50", "11:36:51", "11:36:51", "11:36:52", "11:36:52", "11:36:53",
             "11:36:54", "11:36:54", "11:36:55", "11:36:56", "11:36:57", "11:36:57", "11:36:58",
             "11:36:58", "11:36:59", "11:37:00", "11:37:01", "11:37:02", "11:37:02", "11:37:03",
             "11:37:03", "11:37:04"]
    return ["punch %d %d %s" % (i + 1, 63 if i % 2 == 0 else 67, t) for i, t in enumerate(times)]


def expect_si8_half():
    times = ["11:49:45", "11:49:46", "11:49:47", "11:49:48", "11:49:48", "11:49:49", "11:49:50",
             "11:49:50", "11:49:51", "11:49:52", "11:49:53", "11:49:54", "11:49:54", "11:49:55",
             "11:49:56"]
    return ["punch %d %d %s" % (i + 1, 63 if i % 2 == 0 else 67, t) for i, t in enumerate(times)]


def real_cards():
    write("si8-real-empty", RS + ["now 2024-05-03T12:30:00"] + blocks_lines(si8(
        "05760c87eaeaeaea1a01a02eeeeeeeeeeeeeeeee000000b3021f9b2a0cffcbfe", "")) + [
        "number 2071338", "series SI8", "check 11:23:26", "start -", "finish -", "punches 0"])
    write("si8-real-half", RS + ["now 2024-05-03T12:30:00"] + blocks_lines(SI8_HALF) + [
        "number 2071338", "series SI8", "check 11:49:50", "start 11:49:43", "finish 11:50:08",
        "punches 15"] + expect_si8_half())
    write("si8-real-full", RS + ["now 2024-05-03T12:30:00"] + blocks_lines(SI8_FULL) + [
        "number 2071338", "series SI8", "check 11:36:34", "start 11:36:36", "finish 11:37:31",
        "punches 30"] + expect_si8_full())
    # Sub-second start and finish (18:27:07.105 and 18:27:08.847): flags bit 7, byte 1 the fraction.
    write("si8-real-subsecond", RS + ["now 2024-05-03T19:00:00"] + blocks_lines(si8(
        "05760c87eaeaeaea1b015ac08b1b5abb8bd85abc000000b3021f9b2a0cffcbfe", "")) + [
        "number 2071338", "series SI8", "check 18:27:12", "start 18:27:07", "finish 18:27:08",
        "punches 0"])
    siac_head = ["# Real card read-out: sportident-rs (Apache-2.0), owner data left out.", "kind si8"]
    write("siac-real-empty", siac_head + ["now 2024-05-03T12:30:00"] + blocks_lines(siac(
        "0940259feaeaeaea1a01a793eeeeeeeeeeeeeeee00c400c40f81c29101175d83", "")) + [
        "number 8503953", "series SIAC1", "check 11:54:59", "start -", "finish -", "punches 0"])
    write("siac-real-half", siac_head + ["now 2024-05-03T12:30:00"] + blocks_lines(SIAC_HALF) + [
        "number 8503953", "series SIAC1", "check 12:09:52", "start -", "finish 12:17:23",
        "punches 64", "punch 1 67 12:10:20", "punch 2 63 12:10:53", "punch 3 67 12:11:37",
        "punch 4 63 12:11:40", "punch 25 67 12:12:43", "punch 26 63 12:13:34"])
    write("siac-real-full", siac_head + ["now 2024-05-03T12:30:00"] + blocks_lines(SIAC_FULL) + [
        "number 8503953", "series SIAC1", "check 11:58:04", "start 11:57:59", "finish 12:05:27",
        "punches 128", "punch 1 63 11:58:02", "punch 2 67 11:58:05", "punch 3 63 11:58:07",
        "punch 4 67 11:58:05", "punch 5 63 11:58:13", "punch 6 67 11:58:18", "punch 7 63 11:58:21",
        "punch 8 67 11:58:18", "punch 127 63 12:03:58", "punch 128 67 12:04:06"])
    # The same card with block 5 lost on the way: punches 33-64 cannot be read, the rest can.
    lost = dict(SIAC_FULL)
    del lost[5]
    write("siac-real-full-block5-lost", siac_head + ["now 2024-05-03T12:30:00"] + blocks_lines(lost) + [
        "number 8503953", "series SIAC1", "complete no", "punches 96", "punch 1 63 11:58:02",
        "punch 32 67 11:58:18", "punch 96 67 12:04:06",
        "log SI: WARNING block(s) 5 of card 8503953 never arrived — their punches are not read"])
    # The half-full card with its count raised past its records: the empty record ends the list.
    counted = dict(SI8_HALF)
    b0 = bytearray(counted[0])
    b0[22] = 20
    counted[0] = bytes(b0)
    write("si8-real-half-count-too-high", RS + ["now 2024-05-03T12:30:00"] + blocks_lines(counted) + [
        "number 2071338", "punches 15", "punch 15 63 11:49:56",
        "log SI: WARNING block 0 counts 20 punches but record 16 is empty — reading 15"])
    # The full SI8 card with a count past the card's 30 records.
    b0 = bytearray(SI8_FULL[0])
    b0[22] = 0xFF
    write("si8-real-full-count-past-capacity", RS + ["now 2024-05-03T12:30:00"]
          + blocks_lines({0: bytes(b0), 1: SI8_FULL[1]}) + [
        "number 2071338", "punches 30", "punch 30 67 11:37:04",
        "log SI: WARNING block 0 counts 255 punches, the card holds at most 30 — reading 30"])


# ---------------------------------------------------------------------------------------------
# Cards built from the published description.

def t12(h, m, s=0):
    return (h * 3600 + m * 60 + s) % 43200


def ptd(h, dow=5, week=1, code=0):
    return (1 if h >= 12 else 0) | dow << 1 | week << 4 | ((code >> 8) & 3) << 6


def record(h, m, s, code):
    v = t12(h, m, s)
    return bytes([ptd(h, code=code), code & 0xFF, v >> 8, v & 0xFF])


def si5_image(number, series, start, finish, check, punches, pointer=None):
    """SI5: number at 4-5, series at 6, start 19-20, finish 21-22, punch pointer (count + 1) at 23,
    check 25-26; from 32 six 16-byte groups: first byte punch 31-36 (code only), then five
    records of code and time (punches 1-30). Unused records: code 0, time EE EE."""
    img = bytearray(128)
    img[0:4] = bytes.fromhex("AA290001")
    img[4:6] = number.to_bytes(2, "big")
    img[6] = series
    img[17:19] = number.to_bytes(2, "big")

    def t(v):
        return b"\xEE\xEE" if v is None else v.to_bytes(2, "big")
    img[19:21] = t(start)
    img[21:23] = t(finish)
    img[23] = len(punches) + 1 if pointer is None else pointer
    img[25:27] = t(check)
    for i in range(30):
        off = 32 + (i // 5) * 16 + 1 + (i % 5) * 3
        if i < len(punches):
            img[off] = punches[i][0]
            img[off + 1:off + 3] = t(punches[i][1])
        else:
            img[off:off + 3] = bytes.fromhex("00EEEE")
    for i in range(30, len(punches)):
        img[32 + (i - 30) * 16] = punches[i][0]
    return bytes(img)


def si5_frame(image):
    return frame(0xB1, STATION + image)


def si5_cards():
    head = ["# Built from the published SI5 description (no public SI5 read-out with times was found).",
            "kind si5"]
    # A night event: start 23:30, punches 23:50 and 00:10, finish 00:40, read at 00:45.
    write("si5-night-event", head + ["now 2024-05-04T00:45:00",
          "frame " + frame(0xE5, STATION + bytes([0, 1, 0x30, 0x39])), "detect 12345",
          "frame " + si5_frame(si5_image(12345, 1, t12(23, 30), t12(0, 40), t12(23, 28),
                                         [(31, t12(23, 50)), (32, t12(0, 10))]))] + [
          "number 12345", "series SI5", "check 2024-05-03T23:28:00", "start 2024-05-03T23:30:00",
          "finish 00:40:00", "punches 2", "punch 1 31 2024-05-03T23:50:00", "punch 2 32 00:10:00"])
    # 36 punches through noon: 1-30 with times 11:50:00 + 40 s each, 31-36 codes only.
    punches = [(31 + i, t12(11, 50) + 40 * (i + 1) if i < 30 else None) for i in range(36)]
    punches = [(c, (v % 43200) if v is not None else None) for c, v in punches]
    img = si5_image(23456, 4, t12(11, 50), t12(12, 15), t12(11, 48), punches)
    expect = []
    for i in range(36):
        if i < 30:
            s = 11 * 3600 + 50 * 60 + 40 * (i + 1)
            expect.append("punch %d %d %02d:%02d:%02d" % (i + 1, 31 + i, s // 3600, s // 60 % 60, s % 60))
        else:
            expect.append("punch %d %d -" % (i + 1, 31 + i))
    write("si5-full-36", head + ["now 2024-05-03T13:00:00",
          "frame " + frame(0xE5, STATION + bytes([0, 4, 0x5B, 0xA0])), "detect 423456",
          "frame " + si5_frame(img), "number 423456", "series SI5", "check 11:48:00", "start 11:50:00",
          "finish 12:15:00", "punches 36"] + expect)
    write("si5-empty", head + ["now 2024-05-03T13:00:00", "frame " + si5_frame(
        si5_image(300, 2, None, None, t12(12, 40), [])), "number 200300", "check 12:40:00", "start -",
        "finish -", "punches 0"])
    # Card-inserted numbers of series 1 to 4.
    for series, number, shown in ((1, 65000, 65000), (2, 1, 200001), (3, 65535, 365535), (4, 6402, 406402)):
        write("si5-detect-series-%d" % series, head + ["now 2024-05-03T13:00:00",
              "frame " + frame(0xE5, STATION + bytes([0, series]) + number.to_bytes(2, "big")),
              "detect %d" % shown])
    # Bad input: the pointer counts 10 punches, the card holds 6; a finish beyond 12 hours.
    img = si5_image(4711, 1, t12(10, 0), 0xB000, None, [(31 + i, t12(10, 5 + i)) for i in range(6)], pointer=11)
    write("si5-count-too-high", head + ["now 2024-05-03T13:00:00", "frame " + si5_frame(img),
          "number 4711", "finish -", "start 10:00:00", "punches 6", "punch 6 36 10:10:00",
          "log SI: WARNING SI5 card counts 10 punches but record 7 is empty — reading 6",
          "log SI: WARNING SI5 finish time 45056 s is not a 12-hour time — time left out"])


def si6_memory(number, count, mode192=False, start=(11, 52), finish=(12, 30), check=(11, 50)):
    """SI6: block 0 holds the number at 11-13, the punch count at 18, finish at 20, start at 24,
    check at 28, clear at 32; punches 1-32 in block 6, 33-64 in block 7, and in 192-punch mode
    65-192 in blocks 2 to 5. Unused records are EE EE EE EE."""
    blocks = {b: bytearray(b" " * 128) for b in range(8)}
    b0 = blocks[0]
    b0[0:11] = bytes.fromhex("01010101EDEDEDED55AA00")
    b0[11:14] = number.to_bytes(3, "big")
    b0[18] = count
    b0[19] = count + 1
    b0[20:24] = record(*finish, 0, 2)
    b0[24:28] = record(*start, 0, 1)
    b0[28:32] = record(*check, 0, 3)
    b0[32:36] = record(check[0], check[1] - 2, 0, 4)
    order = [6, 7, 2, 3, 4, 5] if mode192 else [6, 7]
    for b in order:
        blocks[b] = bytearray(b"\xEE" * 128)
    expect = []
    for i in range(count):
        s = 11 * 3600 + 52 * 60 + 20 * (i + 1)
        code = 31 + i % 200
        blk = blocks[order[i // 32]]
        blk[(i % 32) * 4:(i % 32) * 4 + 4] = record(s // 3600, s // 60 % 60, s % 60, code)
        expect.append("punch %d %d %02d:%02d:%02d" % (i + 1, code, s // 3600, s // 60 % 60, s % 60))
    return {b: bytes(v) for b, v in blocks.items()}, expect


def si6_cards():
    head = ["# Built from the published SI6 description; block replies as an SI6 station sends them (0xE1).",
            "kind si6"]
    for name, count, mode192, sent in (("si6-empty", 0, False, [0, 6, 7]), ("si6-half-64", 20, False, [0, 6, 7]),
                                       ("si6-full-64", 64, False, [0, 6, 7]),
                                       ("si6-192-mode-100", 100, True, [0, 6, 7, 2, 3, 4, 5]),
                                       ("si6-192-mode-full", 192, True, [0, 6, 7, 2, 3, 4, 5])):
        blocks, expect = si6_memory(654321, count, mode192)
        frames = ["frame " + frame(0xE6, STATION + bytes([0]) + (654321).to_bytes(3, "big")), "detect 654321"]
        frames += ["frame " + frame(0xE1, STATION + bytes([b]) + blocks[b]) for b in sent]
        write(name, head + ["now 2024-05-03T13:00:00"] + frames + [
            "number 654321", "series SI6", "check 11:50:00", "start 11:52:00", "finish 12:30:00",
            "punches %d" % count] + expect)
    # A card in 192-punch mode whose blocks 2 to 5 never came: what they hold is logged as missing.
    blocks, expect = si6_memory(654321, 100, True)
    write("si6-192-mode-blocks-missing", head + ["now 2024-05-03T13:00:00"]
          + ["frame " + frame(0xE1, STATION + bytes([b]) + blocks[b]) for b in (0, 6, 7)] + [
        "number 654321", "complete no", "punches 64", "punch 64 94 12:13:20",
        "log SI: WARNING block(s) 2, 3 of card 654321 never arrived — their punches are not read"])


def modern_cards():
    """SI9, pCard, SI10 and SI11 built from the description: header in block 0 (check 8, start 12,
    finish 16, count 22, series byte 24, number 25-27); punches from 56 (SI9), 176 (pCard) or in
    blocks 4 to 7 (SI10, SI11, SIAC)."""
    head = ["# Built from the published description of the card series.", "kind si8"]
    for name, series_byte, number, offset, blocks_total, count, series in (
            ("si9-full", 0x01, 1234567, 56, 2, 50, "SI9"), ("si9-in-block0", 0x01, 1234567, 56, 2, 18, "SI9"),
            ("pcard-full", 0x04, 4123456, 176, 2, 20, "pCard"), ("si10-full", 0x0F, 7123456, 512, 8, 128, "SI10"),
            ("si11-half", 0x0F, 9123456, 512, 8, 64, "SI11")):
        mem = bytearray(b"\xEE" * (128 * blocks_total))
        mem[0:8] = bytes.fromhex("12345678EAEAEAEA")
        mem[8:12] = record(11, 50, 0, 1)
        mem[12:16] = record(11, 52, 0, 1)
        mem[16:20] = record(13, 0, 0, 1)
        mem[20:24] = bytes([0, 0x43, count, 0x42])
        mem[24] = series_byte
        mem[25:28] = number.to_bytes(3, "big")
        expect = []
        for i in range(count):
            s = 11 * 3600 + 52 * 60 + 30 * (i + 1)
            code = 31 + i if i < 100 else 300 + i  # codes above 255 carry their high bits in the flags
            mem[offset + 4 * i:offset + 4 * i + 4] = record(s // 3600, s // 60 % 60, s % 60, code)
            expect.append("punch %d %d %02d:%02d:%02d" % (i + 1, code, s // 3600, s // 60 % 60, s % 60))
        wanted = [0, 1] if blocks_total == 2 else [0, 4, 5, 6, 7]
        blocks = {b: bytes(mem[b * 128:(b + 1) * 128]) for b in wanted}
        lines = ["frame " + frame(0xE8, STATION + bytes([series_byte]) + number.to_bytes(3, "big")),
                 "detect %d" % number]
        lines += ["frame " + frame(0xEF, STATION + bytes([b]) + blocks[b]) for b in wanted]
        write(name, head + ["now 2024-05-03T13:30:00"] + lines + [
            "number %d" % number, "series %s" % series, "check 11:50:00", "start 11:52:00",
            "finish 13:00:00", "punches %d" % count] + expect)


def sportident_js_si5():
    """sportident.js (github.com/allestuetsmerweh/sportident.js, MIT), src/SiCard/types/
    siCard5Examples.js: two SI5 images with their published number, punch count and codes. Their
    times are test patterns (and that library reads them low byte first), so only codes are checked."""
    head = ["# SI5 image from sportident.js (MIT), siCard5Examples.js; times are test patterns, not checked.",
            "kind si5", "now 2024-05-03T14:30:00"]
    top = ("AA290001190204000000000000000000" "6519021DDB1E2F{p}56EEEE28041F0007")
    with16 = bytes.fromhex(top.format(p="11") + "001F1F1F202020212121222222232323" "00242424252525262626272727282828"
                           "002929292A2A2A2B2B2B2C2C2C2D2D2D" "002E2E2E00EEEE00EEEE00EEEE00EEEE"
                           "0000EEEE00EEEE00EEEE00EEEE00EEEE" "0000EEEE00EEEE00EEEE00EEEE00EEEE")
    full = bytes.fromhex(top.format(p="25") + "20" * 96)
    assert len(with16) == 128 and len(full) == 128
    write("si5-sportidentjs-16", head + ["frame " + si5_frame(with16), "number 406402", "series SI5",
          "check -", "punches 16"] + ["punch %d %d ?" % (i + 1, 31 + i) for i in range(16)])
    write("si5-sportidentjs-full", head + ["frame " + si5_frame(full), "number 406402", "punches 36",
          "punch 1 32 ?", "punch 30 32 ?", "punch 31 32 -", "punch 36 32 -"])


def night_event_si10():
    """An SI10 card of a night event read after midnight: evening times stay on the evening before."""
    mem = bytearray(b"\xEE" * 1024)
    mem[0:8] = bytes.fromhex("12345678EAEAEAEA")
    mem[8:12] = record(23, 28, 0, 1)
    mem[12:16] = record(23, 30, 0, 1)
    mem[16:20] = record(0, 40, 0, 1)
    mem[20:24] = bytes([0, 0x43, 2, 0x42])
    mem[24] = 0x0F
    mem[25:28] = (7000123).to_bytes(3, "big")
    mem[512:516] = record(23, 50, 0, 31)
    mem[516:520] = record(0, 10, 0, 32)
    write("si10-night-event", ["# Built from the published description of the card series.", "kind si8",
          "now 2024-05-04T00:45:00"] + blocks_lines({b: bytes(mem[b * 128:(b + 1) * 128]) for b in (0, 4)}) + [
          "number 7000123", "series SI10", "check 2024-05-03T23:28:00", "start 2024-05-03T23:30:00",
          "finish 00:40:00", "punches 2", "punch 1 31 2024-05-03T23:50:00", "punch 2 32 00:10:00"])


def untimed_records_si10():
    """Punch records without a time (seconds EE EE): the flags still carry a code's high bits, and a
    blank flags byte (EE, a day of week that does not exist) carries none."""
    mem = bytearray(b"\xEE" * 1024)
    mem[0:8] = bytes.fromhex("12345678EAEAEAEA")
    mem[8:12] = record(9, 58, 0, 1)
    mem[12:16] = record(10, 0, 0, 1)
    mem[16:20] = record(10, 30, 0, 1)
    mem[20:24] = bytes([0, 0x43, 4, 0x42])
    mem[24] = 0x0F
    mem[25:28] = (7000456).to_bytes(3, "big")
    mem[512:516] = record(10, 5, 0, 31)
    mem[516:520] = bytes([ptd(10, code=634), 634 & 0xFF, 0xEE, 0xEE])
    mem[520:524] = bytes.fromhex("EE25EEEE")
    mem[524:528] = record(10, 20, 0, 300)
    write("si10-untimed-records", ["# Built from the published description of the card series.", "kind si8",
          "now 2024-05-03T11:00:00"] + blocks_lines({b: bytes(mem[b * 128:(b + 1) * 128]) for b in (0, 4)}) + [
          "number 7000456", "series SI10", "punches 4", "punch 1 31 10:05:00", "punch 2 634 -",
          "punch 3 37 -", "punch 4 300 10:20:00"])


def short_frames():
    head = ["# Station frames too short for what they should carry.", "now 2024-05-03T13:00:00"]
    write("detect-short-payload", head + ["kind si8", "frame " + frame(0xE8, bytes.fromhex("000F4241")),
          "detect 1000001",
          "log SI: WARNING detect frame too short (4 bytes) for offset-2 card number, falling back to offset 0"])
    write("detect-too-short-for-a-number", head + ["kind si8", "frame " + frame(0xE8, bytes.fromhex("0F42")),
          "detect 0"])
    write("block0-too-short", head + ["kind si8", "frame " + frame(0xEF, STATION + bytes(1) + bytes(20)),
          "number -", "log SI: WARNING block0 payload too short (20 bytes) for offset-25 card number"])


def frame_cases():
    """frames.txt: the CRC's published examples, the host's command frames and station byte
    streams with the frames the parser must deliver."""
    detect = "0022000F4241"
    e8 = frame(0xE8, bytes.fromhex(detect))
    e7 = frame(0xE7, bytes.fromhex(detect))
    block = frame(0xEF, bytes.fromhex("00220400") + b"\x11" * 128)
    bad = bytearray(bytes.fromhex(frame(0x83, bytes.fromhex("00227405"))))
    bad[-2] ^= 0x01
    good_crc = crc(bytes.fromhex("830400227405"))
    cut = frame(0xEF, bytes.fromhex("00220000") + bytes(128))[:80]
    lines = [
        "# crc <CMD LEN DATA> <CRC>: SportIdent's published examples and the short cases",
        "crc 83027401 0414", "crc EF0100 E209", "crc B100 B100", "crc 530005010FB500001E08 2C12",
        "crc - 0000", "crc AB 0000", "crc 1234 1234",
        "# command <CMD> <DATA or -> <frame the host sends>",
        "command 83 7401 FF020283027401041403", "command EF 00 FF0202EF0100E20903", "command B1 - FF0202B100B10003",
        "# stream <read>[|<read>...] => <CMD:payload>,... left <bytes waiting or -> [log <line>]",
        "stream %s%s => E8:%s,E7:%s left -" % (e8, e7, detect, detect),
        "stream FF%s => 83:00227405 left -" % frame(0x83, bytes.fromhex("00227405")),
        "stream 02E803%s => E7:%s left -" % (e7, detect),
        "stream FF0055AA0306 => left -",
        "stream %s => E7: left -" % frame(0xE7, b""),
        "stream 02E7 => left 02E7",
        "stream %s|%s => EF:%s left -" % (block[:100], block[100:], "00220400" + "11" * 128),
        "stream %s%s => E7:%s left - log SI: CRC mismatch cmd=83 len=4 expected=%04X got=%04X crcInput=[83 04 00 22 74 05]"
        % (bytes(bad).hex().upper(), e7, detect, good_crc, good_crc ^ 1),
        "stream 020100000003 => left - log SI: CRC mismatch cmd=01 len=0 expected=0100 got=0000 crcInput=[01 00]",
        # A frame cut short holds the stream until its LEN is satisfied, then its missing ETX costs
        # it one byte at a time, and the frames behind it come through.
        "stream %s|%s => %s left -" % (cut, e7 * 12, ",".join(["E7:" + detect] * 12)),
    ]
    with open(os.path.join(HERE, "frames.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


# ---------------------------------------------------------------------------------------------
# Real read-out of an SI6 card in 192-punch mode (card 821003, 101 punches, the last at control
# 634), published with GecoSI.Net, https://github.com/yannisgu/GecoSI.Net,
# tests/GecoSI.Net.Tests/SiMessageFixture.cs (sicard6_192p_*), MIT License, port of GecoSI
# (github.com/sdenier/GecoSI, MIT), whose Si6_192PunchesDataFrameTest publishes the expected values.
# The frames of blocks 6, 7, 2 and 3 are as published (their CRCs check); of block 0 the header
# (bytes 0-47) is as published and the owner data after it (a name) is replaced by filler. Blocks
# 4 and 5 hold no counted punch and are not read.

GECOSI_SI6_B0_HEADER = ("01010102EDEDEDED55AA000C870BBAA3807A65660D0A156C06088F9006048F8E06078F8B"
                        "EEEEEEEE0000000020202020")
GECOSI_SI6_FRAMES = [
    "02E183000606061F8F9A06208F9C06218F9E06228FA006238FA3061F8FAB06208FAD06218FAF06228FB106238FB3"
    "061F8FB706208FB906218FBB06228FBE06238FC1061F8FC606208FC906218FCB06228FCD06238FD0061F8FD50620"
    "8FD706218FD906228FDB06238FDD061F8FE206208FE406218FE606228FE806238FEA061F8FEF06208FF1E7F003",
    "02E18300060706218FF306228FF506238FF8061F8FFD06208FFF062190010622900306239006061F900A0620900D"
    "0621900F0622901206239015061F901A0620901C0621901F0622902206239024061F90290620902B0621902E0622"
    "903006239033061F90370620903A0621903C0622903F06239041061F904506209047062190490622904C8DC903",
    "02E1830006020623904F061F90530620905506219057062290590623905C061F9060062090620621906406229066"
    "06239069061F906E06209072062190770622907A0623907D061F90820620908406219087062290890623908B061F"
    "908F06209091062190930622909606239098061F909C0620909D0621909F062290A2062390A4061F90A8F21903",
    "02E183000603062090AA062190AC062290AE062390B08D7A1531" + "EE" * 108 + "B59B03",
]


def gecosi_si6():
    block0 = bytes.fromhex(GECOSI_SI6_B0_HEADER) + b" " * 80
    assert len(block0) == 128
    for f in GECOSI_SI6_FRAMES:
        raw = bytes.fromhex(f)
        assert len(raw) == 137 and crc(raw[1:-3]) == raw[-3] << 8 | raw[-2], f[:20]
    head = ["# Real card read-out: GecoSI.Net / GecoSI (MIT), owner data left out.", "kind si6",
            "now 2013-04-26T14:00:00"]
    write("si6-real-192-mode-code-634", head + ["block 0 " + block0.hex().upper()]
          + ["frame " + f for f in GECOSI_SI6_FRAMES] + [
        "number 821003", "series SI6", "check 10:12:30", "start 10:12:32", "finish 13:31:24",
        "punches 101", "punch 1 31 10:12:42", "punch 2 32 10:12:44", "punch 33 33 10:14:11",
        "punch 64 34 10:15:40", "punch 100 35 10:17:20", "punch 101 634 13:30:25"])


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    real_cards()
    si5_cards()
    sportident_js_si5()
    short_frames()
    night_event_si10()
    frame_cases()
    si6_cards()
    modern_cards()
    gecosi_si6()
    untimed_records_si10()
