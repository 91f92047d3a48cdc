#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz harness into OUTDIR/<harness>/.

Good inputs come from the test fixtures; the hostile ones are written byte by
byte: a NUL in a key, broken UTF-8 in an application id (binary and XML), a
Latin-1 byte, 100,000 nested arrays (binary and XML), and 24 arrays each
referring to the next one twice. The Logitech world's seeds are scripts of
steps (fuzz/fuzz_world.cpp): floods of notices, unrequested answers, pairing,
refusals, plugging and sleep.
"""
import os
import plistlib
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXTURES = os.path.join(ROOT, "tests", "model", "fixtures")
BLOBS = ["config", "appitems", "keyboards", "logikeys", "haptic"]


class Raw:
    """A binary property list object by object; references and offsets are 4 bytes."""

    def __init__(self):
        self.objects = []

    def add(self, b):
        self.objects.append(bytes(b))
        return len(self.objects) - 1

    def next(self):
        return len(self.objects)

    @staticmethod
    def marked(kind, count, payload):
        head = bytes([kind | count]) if count < 15 else bytes([kind | 0xF, 0x12]) + struct.pack(">I", count)
        return head + payload

    def integer(self, v):
        return self.add(bytes([0x10, v]))

    def ascii(self, b):
        return self.add(self.marked(0x50, len(b), b))

    def utf16(self, s):
        return self.add(self.marked(0x60, len(s.encode("utf-16-be")) // 2, s.encode("utf-16-be", "surrogatepass")))

    def data(self, b):
        return self.add(self.marked(0x40, len(b), b))

    def array(self, refs):
        return self.add(self.marked(0xA0, len(refs), b"".join(struct.pack(">I", r) for r in refs)))

    def dict(self, keys, values):
        return self.add(self.marked(0xD0, len(keys), b"".join(struct.pack(">I", r) for r in keys + values)))

    def finish(self, top):
        out = bytearray(b"bplist00")
        offsets = []
        for o in self.objects:
            offsets.append(len(out))
            out += o
        table = len(out)
        for off in offsets:
            out += struct.pack(">I", off)
        out += bytes(6) + bytes([4, 4]) + struct.pack(">QQQ", len(self.objects), top, table)
        return bytes(out)


def nested_arrays(levels):
    r = Raw()
    for i in range(levels):
        r.array([r.next() + 1] if i + 1 < levels else [])
    return r.finish(0)


def nested_arrays_xml(levels):
    return (b'<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">'
            + b"<array>" * levels + b"</array>" * levels + b"</plist>\n")


def doubling_chain(levels):
    r = Raw()
    for _ in range(levels):
        r.array([r.next() + 1, r.next() + 1])
    r.integer(1)
    return r.finish(0)


def nul_key(utf16):
    r = Raw()
    ver = r.ascii(b"ver")
    bad = r.utf16("ap\0pitems") if utf16 else r.ascii(b"ap\0pitems")
    one, data = r.integer(1), r.data(b"261")
    return r.finish(r.dict([ver, bad], [data, one]))


def fixture(name):
    with open(os.path.join(FIXTURES, name + ".xml"), "rb") as f:
        return f.read()


def binary(xml):
    return plistlib.dumps(plistlib.loads(xml), fmt=plistlib.FMT_BINARY)


def settings_file(blobs):
    return plistlib.dumps({"ver": b"261207", **blobs}, fmt=plistlib.FMT_BINARY)


def appitems_with_id(app_id, as_xml):
    """The appitems fixture with its second application renamed, byte for byte."""
    xml = fixture("appitems")
    apps = plistlib.loads(xml)["apps"]
    other = next(k for k in apps if k)
    if as_xml:
        return xml.replace(b"<key>" + other.encode() + b"</key>", b"<key>" + app_id + b"</key>")
    placeholder = "Q" * len(app_id)
    data = plistlib.dumps({"apps": {("" if k == "" else placeholder): v for k, v in apps.items()}},
                          fmt=plistlib.FMT_BINARY)
    return data.replace(placeholder.encode(), app_id)


def world_scripts():
    """Scripts for fuzz_world: each step is an op byte, an argument byte and its own bytes."""
    def notice(a, slot, *rest):
        return bytes([4, a, slot, *rest])

    def name(text):
        return bytes([len(text)]) + text.encode()

    connect_flood = bytes([11, 1, 255, 1, 0x01, 11, 1, 255, 1, 0x41, 9, 0x83])
    return {
        "quiet": b"",
        "connection_flood": bytes([6, 0, 2, 0x83, 0xB5, 0]) + connect_flood * 3 + bytes([9, 0x90]),
        "unpair_empty_slots": notice(1, 3) + notice(1, 3) + notice(1, 0) + notice(1, 0) + notice(2, 4, 1) + name("K270")
        + b"\x01" + notice(0, 4) + bytes([9, 0x85]),
        "passkey_then_end": notice(5, 0, 1) + notice(6, 0) + name("123456") + notice(7, 0, 1) + notice(8, 0)
        + notice(5, 0, 2) + notice(6, 0) + name("000517") + notice(7, 0, 4),
        "backlight_echoes": bytes([7, 2, 3, 0, 0, 7, 2, 3, 2, 0]) + bytes([3, 0, 1, 3, 0x11, 5, 1, 1]) * 40
        + bytes([9, 0x90]),
        "renames": b"".join(notice(2, 0, 1) + name("R%d" % i) + b"\x01" + bytes([5, 5, 0, 0, 9, 20])
                             for i in range(12)),
        "unrequested_answers": b"".join(bytes([2, 2, 5, 0x10 | (i % 15 + 1), 0, i, 0, 0, 0x30]) + bytes(13)
                                        for i in range(40)) + bytes([9, 0x84]),
        "plug_and_sleep": bytes([8, 1, 9, 0x81, 8, 1, 8, 0, 9, 50, 8, 0, 10, 1, 30, 9, 0x90, 10, 0, 9, 0x90]),
        "refusals": bytes([6, 1, 1, 0x81, 1, 3, 7, 0, 4, 1, 0, 7, 1, 8, 9, 0x8A, 5, 0, 1, 5, 2, 1, 9, 0x8A]),
    }


def compositor_reports():
    """Seeds for fuzz_compositor_reports: a reader byte (0 KWin, 1 sway's tree, 2 its workspaces, 3 its inputs)
    and the JSON, well formed and hostile."""
    import json
    win = {"id": "{0a1b}", "appId": "org.kde.konsole", "wmClass": "konsole", "pid": 42, "fullScreen": False,
           "maximized": True, "x": 0, "y": 0, "width": 800, "height": 600}
    kwin = {"windows": [win, dict(win, id="{0a1c}", pid=1 << 30)], "active": "{0a1b}", "under": "{0a1c}",
            "desktop": 0, "desktops": 2, "x": 5, "y": 6}
    view = {"id": 7, "pid": 9, "app_id": "foot", "focused": True, "rect": {"x": 0, "y": 0, "width": 9, "height": 9}}
    tree = {"id": 1, "nodes": [{"id": 2, "nodes": [view, dict(view, id=8, focused=False)], "floating_nodes": []}]}
    workspaces = [{"focused": True, "output": "HDMI-A-1"}, {"focused": False, "output": "HDMI-A-1"}]
    inputs = [{"type": "keyboard", "xkb_layout_names": ["English (US)", "English (US)", "French"],
               "xkb_active_layout_index": 1}]
    deep = "[" * 100000 + "]" * 100000
    nested = '{"nodes":[' * 500 + "{}" + "]}" * 500
    seeds = {
        "kwin": b"\0" + json.dumps(kwin).encode(),
        "kwin_script_id": b"\0" + json.dumps(dict(kwin, windows=[dict(win, id="x);quit(")])).encode(),
        "kwin_unknown_active": b"\0" + json.dumps(dict(kwin, active="{ffff}", desktop=5)).encode(),
        "sway_tree": b"\1" + json.dumps(tree).encode(),
        "sway_nested": b"\1" + nested.encode(),
        "sway_workspaces": b"\2" + json.dumps(workspaces).encode(),
        "sway_inputs": b"\3" + json.dumps(inputs).encode(),
    }
    for reader in range(4):
        seeds["deep_%d" % reader] = bytes([reader]) + deep.encode()
        seeds["not_utf8_%d" % reader] = bytes([reader]) + b'{"windows":[{"id":"\xff\xfe"}]}'
    return seeds


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "fuzz-corpus"
    good = {name: fixture(name) for name in BLOBS}
    hostile = {
        "nul_key_utf16": nul_key(True),
        "nul_key_ascii": nul_key(False),
        "nested_arrays": nested_arrays(100000),
        "nested_arrays_xml": nested_arrays_xml(100000),
        "doubling_chain_24": doubling_chain(24),
    }
    bad_ids = {
        "app_id_e080_bin": appitems_with_id(b"\xe0\x80", False),
        "app_id_ff_bin": appitems_with_id(b"\xff", False),
        "app_id_latin1_bin": appitems_with_id(b"caf\xe9", False),
        "app_id_e080_xml": appitems_with_id(b"\xe0\x80", True),
        "app_id_ff_xml": appitems_with_id(b"\xff", True),
    }
    corpora = {"fuzz_settings_file": {}, "fuzz_settings_blob": {}, "fuzz_defaults_file": {}, "fuzz_event": {},
               "fuzz_world": world_scripts(), "fuzz_compositor_reports": compositor_reports()}

    sf = corpora["fuzz_settings_file"]
    sf["all_binary"] = settings_file({k: binary(v) for k, v in good.items()})
    sf["all_xml_blobs"] = settings_file(good)
    sf["ver_only"] = settings_file({})
    sf["xml_file"] = plistlib.dumps({"ver": b"1", "haptic": good["haptic"]}, fmt=plistlib.FMT_XML)
    for name, bad in {**hostile, **bad_ids}.items():
        sf[name] = bad
        sf["in_blob_" + name] = settings_file({"appitems": bad, "haptic": good["haptic"]})

    sb = corpora["fuzz_settings_blob"]
    for i, name in enumerate(BLOBS):
        sb[name + "_xml"] = bytes([i]) + good[name]
        sb[name + "_bin"] = bytes([i]) + binary(good[name])
    for name, bad in {**hostile, **bad_ids}.items():
        sb[name] = bytes([1]) + bad

    df = corpora["fuzz_defaults_file"]
    df["stored"] = plistlib.dumps({"version": 261207, **{k: binary(v) for k, v in good.items()}},
                                  fmt=plistlib.FMT_BINARY)
    df["old_version"] = plistlib.dumps({"version": 1, "config": binary(good["config"])}, fmt=plistlib.FMT_BINARY)
    for name, bad in {**hostile, **bad_ids}.items():
        df[name] = bad
        df["in_blob_" + name] = plistlib.dumps({"version": 261207, "appitems": bad}, fmt=plistlib.FMT_BINARY)

    ev = corpora["fuzz_event"]
    body = struct.pack("<IQddQhqqqI", 22, 0x100, 10.5, 20.25, 123456, 0, 0, 0, 0, 2)
    body += struct.pack("<IBQ", 110, 0, 29) + struct.pack("<IBd", 119, 1, -0.5)
    ev["gesture"] = b"CVEV" + struct.pack("<I", len(body)) + body
    ev["with_trailer"] = ev["gesture"] + b"\x01\x02\x03"
    short = struct.pack("<IQddQhqqqI", 14, 0, 0, 0, 0, 8, 0xA00, 0, 0, 0)
    ev["system_defined"] = b"CVEV" + struct.pack("<I", len(short)) + short
    ev["huge_field_count"] = b"CVEV" + struct.pack("<I", len(short)) + short[:-4] + struct.pack("<I", 0xFFFFFFFF)

    for harness, seeds in corpora.items():
        d = os.path.join(out, harness)
        os.makedirs(d, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)
    print(out + ": " + ", ".join("%s %d" % (h, len(s)) for h, s in corpora.items()))


if __name__ == "__main__":
    main()
