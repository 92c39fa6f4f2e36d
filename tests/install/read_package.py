#!/usr/bin/env python3
"""Reads a package written by corvex-pack with nothing but the documented layout
(docs/package-format.md) and checks every field against the inputs."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

SEVEN_ZIP_MAGIC = b"7z\xbc\xaf\x27\x1c"


def text(block, offset, size):
    raw = block[offset:offset + size]
    return raw.split(b"\0", 1)[0].decode("utf-8")


def read_package(path):
    data = open(path, "rb").read()
    (block_offset,) = struct.unpack_from("<i", data, 32)
    assert 0 <= block_offset <= len(data) - 4096, "info block outside the file"
    block = data[block_offset:block_offset + 4096]
    un_off, un_size, pay_off, pay_size = struct.unpack_from("<iiii", block, 8)
    (is64,) = struct.unpack_from("<i", block, 492)
    return {
        "data": data,
        "block": block,
        "signature": block[0:8],
        "uninstaller": data[un_off:un_off + un_size],
        "uninstaller_end": un_off + un_size,
        "payload": data[pay_off:pay_off + pay_size],
        "payload_end": pay_off + pay_size,
        "product_key_name": text(block, 105, 64),
        "display_name": text(block, 169, 64),
        "version": text(block, 233, 32),
        "short_name": text(block, 265, 16),
        "release_date": text(block, 281, 16),
        "web_address": text(block, 297, 128),
        "publisher": text(block, 425, 67),
        "is64": is64,
        "reserved_zero": block[24:105] == bytes(81) and block[496:] == bytes(3600),
    }


def main():
    pack, uninstaller = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="corvex-format-")
    try:
        payload = os.path.join(work, "payload")
        os.makedirs(os.path.join(payload, "sub"))
        with open(os.path.join(payload, "README.txt"), "w") as f:
            f.write("demo\n")
        with open(os.path.join(payload, "sub", "data.bin"), "wb") as f:
            f.write(os.urandom(100000))
        args = ["--payload", payload, "--uninstaller", uninstaller,
                "--product-key-name", "Corvex 11", "--display-name", "Corvex 11 (x64)",
                "--version", "11.0.9.2", "--short-name", "Corvex", "--release-date", "2020-06-16",
                "--web-address", "http://127.0.0.1:8610/corvex", "--publisher", "Corvex Software Inc.",
                "--x64"]
        first = os.path.join(work, "a.exe")
        second = os.path.join(work, "b.exe")
        subprocess.run([pack] + args + ["--output", first], check=True)
        os.utime(os.path.join(payload, "README.txt"), (1, 1))
        subprocess.run([pack] + args + ["--output", second], check=True)

        pkg = read_package(first)
        assert open(second, "rb").read() == pkg["data"], "same inputs gave different packages"
        assert pkg["signature"] == b"Torvanel", pkg["signature"]
        assert pkg["uninstaller"] == open(uninstaller, "rb").read(), "uninstaller bytes differ"
        assert pkg["payload"].startswith(SEVEN_ZIP_MAGIC), "payload is not a 7z archive"
        assert max(pkg["payload_end"], pkg["uninstaller_end"]) == len(pkg["data"]), "trailing bytes"
        expected = {"product_key_name": "Corvex 11", "display_name": "Corvex 11 (x64)",
                    "version": "11.0.9.2", "short_name": "Corvex", "release_date": "2020-06-16",
                    "web_address": "http://127.0.0.1:8610/corvex",
                    "publisher": "Corvex Software Inc.", "is64": 1, "reserved_zero": True}
        for key, value in expected.items():
            assert pkg[key] == value, (key, pkg[key], value)

        archive = os.path.join(work, "payload.7z")
        with open(archive, "wb") as f:
            f.write(pkg["payload"])
        out = os.path.join(work, "out")
        subprocess.run(["7zz", "x", "-bso0", "-bsp0", archive, "-o" + out], check=True)
        assert open(os.path.join(out, "sub", "data.bin"), "rb").read() == \
            open(os.path.join(payload, "sub", "data.bin"), "rb").read()

        info = subprocess.run([pack, "--info", first], check=True, capture_output=True, text=True).stdout
        assert "publisher: Corvex Software Inc.\n" in info and "64-bit: 1\n" in info, info
        print("package layout read back: ok")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
