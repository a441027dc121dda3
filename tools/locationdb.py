"""The geolocation database files and the sources of the sample database.

geoip.dat   12-byte records: first address, last address (host-order values)
            and 1-based line of cities.dat, unsigned 32-bit little-endian,
            sorted by first address
cities.dat  country code + place ";" latitude*100 ";" longitude*100, CRLF
r.dat       the record count, CRLF
"""
import ctypes
import os
import struct

GEOIP_DAT = "/usr/share/GeoIP/GeoIP.dat"
ZONE_TAB = "/usr/share/zoneinfo/zone.tab"

COUNTRY_EDITION = 1
COUNTRY_BEGIN = 16776960          # record values from here on are country ids
STRUCTURE_INFO_MAX_SIZE = 20


def read_country_ranges(path=GEOIP_DAT):
    """[(first, last, country_id)] of a legacy GeoIP country database: the
    leaves of its binary trie over the 32 address bits, adjacent ranges of
    one country joined, unknown addresses (id 0) left out."""
    data = open(path, "rb").read()
    segments = COUNTRY_BEGIN
    for i in range(STRUCTURE_INFO_MAX_SIZE):
        at = len(data) - 3 - i
        if at >= 0 and data[at:at + 3] == b"\xff\xff\xff":
            edition = data[at + 3] if at + 3 < len(data) else COUNTRY_EDITION
            if edition != COUNTRY_EDITION:
                raise SystemExit(f"{path}: not a country database (edition {edition})")
            break
    leaves = []
    stack = [(0, 0, 0)]               # node, depth, address prefix
    while stack:
        node, depth, prefix = stack.pop()
        base = node * 6
        if base + 6 > len(data):
            raise SystemExit(f"{path}: node {node} past the end of the file")
        for bit in (0, 1):
            rec = data[base + 3 * bit: base + 3 * bit + 3]
            x = rec[0] | rec[1] << 8 | rec[2] << 16
            start = prefix | bit << (31 - depth)
            if x >= segments:
                leaves.append((start, start + (1 << (31 - depth)) - 1, x - segments))
            elif depth >= 31:
                raise SystemExit(f"{path}: trie deeper than 32 bits")
            else:
                stack.append((x, depth + 1, start))
    leaves.sort()
    ranges = []
    for first, last, cid in leaves:
        if cid == 0:
            continue
        if ranges and ranges[-1][2] == cid and ranges[-1][1] + 1 == first:
            ranges[-1] = (ranges[-1][0], last, cid)
        else:
            ranges.append((first, last, cid))
    return ranges


def country_tables():
    """Country codes and names by id, from the GeoIP library's own tables."""
    try:
        lib = ctypes.CDLL("libGeoIP.so.1")
    except OSError as e:
        raise SystemExit(f"libGeoIP.so.1 is missing (package libgeoip1): {e}")
    lib.GeoIP_num_countries.restype = ctypes.c_uint
    lib.GeoIP_code_by_id.restype = ctypes.c_char_p
    lib.GeoIP_name_by_id.restype = ctypes.c_char_p
    n = lib.GeoIP_num_countries()
    codes = [(lib.GeoIP_code_by_id(i) or b"--").decode("latin-1") for i in range(n)]
    names = [(lib.GeoIP_name_by_id(i) or b"").decode("latin-1") for i in range(n)]
    return codes, names


def _degrees(text):
    sign = -1 if text[0] == "-" else 1
    d = text[1:]
    deg_len = len(d) - (4 if len(d) in (6, 7) else 2)   # [D]DDMM or [D]DDMMSS
    deg, rest = int(d[:deg_len]), d[deg_len:]
    minutes, seconds = int(rest[:2]), int(rest[2:] or 0)
    return sign * (deg + minutes / 60 + seconds / 3600)


# Countries whose first zone.tab line is an outlying region, not the
# principal city.
PRINCIPAL_ZONES = {"AU": "Australia/Sydney", "BR": "America/Sao_Paulo",
                   "CA": "America/Toronto", "RU": "Europe/Moscow",
                   "UA": "Europe/Kyiv", "UZ": "Asia/Tashkent"}


def principal_cities(path=ZONE_TAB):
    """{country code: (place, latitude, longitude)}: for each country its
    principal zone, else its first zone.tab line; the place is the zone's
    city with blanks for underscores."""
    cities = {}
    for line in open(path, encoding="utf-8"):
        if line.startswith("#") or not line.strip():
            continue
        code, coords, zone = line.rstrip("\n").split("\t")[:3]
        if code in cities and PRINCIPAL_ZONES.get(code) != zone:
            continue
        split = max(coords.rfind("+"), coords.rfind("-"))
        place = zone.rsplit("/", 1)[-1].replace("_", " ")
        cities[code] = (place, _degrees(coords[:split]), _degrees(coords[split:]))
    return cities


# Regions of the database that no zone.tab line names: latitude, longitude.
REGIONS = {"EU": (50.0, 10.0), "AP": (15.0, 105.0)}


def city_line(code, place, lat, lon):
    return f"{code}{place};{round(lat * 100)};{round(lon * 100)}"


def write_database(outdir, records, city_lines, count=None):
    """records: [(first, last, line number)]; city_lines: text lines."""
    os.makedirs(outdir, exist_ok=True)
    with open(os.path.join(outdir, "geoip.dat"), "wb") as f:
        f.write(b"".join(struct.pack("<III", *r) for r in records))
    with open(os.path.join(outdir, "cities.dat"), "wb") as f:
        f.write("".join(line + "\r\n" for line in city_lines).encode("cp1252", "replace"))
    with open(os.path.join(outdir, "r.dat"), "wb") as f:
        f.write(f"{len(records) if count is None else count}\r\n".encode())


def read_records(outdir):
    data = open(os.path.join(outdir, "geoip.dat"), "rb").read()
    return [struct.unpack_from("<III", data, i) for i in range(0, len(data) - 11, 12)]


def dotted(value):
    return ".".join(str(value >> s & 255) for s in (24, 16, 8, 0))
