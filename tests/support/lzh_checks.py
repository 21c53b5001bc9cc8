"""What the Python test scripts share: the CRC-16 of LZH archives (reflected polynomial
0xA001, initial value 0, no final XOR; its table built bit by bit, apart from the program's
own code), and failures gathered by check() and reported once by finish()."""
import sys


def _crc16_table():
    table = []
    for i in range(256):
        r = i
        for _ in range(8):
            r = (r >> 1) ^ 0xA001 if r & 1 else r >> 1
        table.append(r)
    return table


CRC16_TABLE = _crc16_table()


def crc16(data):
    crc = 0
    for byte in data:
        crc = CRC16_TABLE[(crc ^ byte) & 0xFF] ^ (crc >> 8)
    return crc


failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def finish():
    """Prints every failure and exits with 1 when there was one."""
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        sys.exit(1)
