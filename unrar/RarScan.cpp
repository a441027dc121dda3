#include "unrar/RarScan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>

#include "unrar/RarCodes.h"

namespace {

const uint8_t Rar4Signature[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
const uint8_t Rar5Signature[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
constexpr int64_t MaxStub = 1 << 20;   // a self-extractor's stub before the signature

// Format 4 block types and flags.
constexpr uint8_t MAIN_HEAD = 0x73, FILE_HEAD = 0x74, NEWSUB_HEAD = 0x7A, ENDARC_HEAD = 0x7B;
constexpr uint16_t LONG_BLOCK = 0x8000;
constexpr uint16_t MHD_VOLUME = 0x0001, MHD_COMMENT = 0x0002, MHD_LOCK = 0x0004, MHD_SOLID = 0x0008,
                   MHD_NEWNUMBERING = 0x0010, MHD_AV = 0x0020, MHD_PROTECT = 0x0040, MHD_PASSWORD = 0x0080,
                   MHD_FIRSTVOLUME = 0x0100;
constexpr uint16_t LHD_SPLIT_AFTER = 0x0002, LHD_LARGE = 0x0100;
constexpr uint16_t EARC_NEXT_VOLUME = 0x0001;
constexpr size_t MaxComment = 65536;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool ReadExact(const TReadAt& ReadAt, int64_t Offset, void* Buffer, int64_t Count) {
  return Count == 0 || ReadAt(Offset, Buffer, Count) == Count;
}

uint32_t DosTime(uint32_t Unix) {
  const time_t t = static_cast<time_t>(Unix);
  const std::tm* tm = std::localtime(&t);
  if (!tm || tm->tm_year < 80) return 0x00210000;   // 1980-01-01
  return uint32_t(tm->tm_year - 80) << 25 | uint32_t(tm->tm_mon + 1) << 21 | uint32_t(tm->tm_mday) << 16 |
         uint32_t(tm->tm_hour) << 11 | uint32_t(tm->tm_min) << 5 | uint32_t(tm->tm_sec / 2);
}

void ScanRar4(const TReadAt& ReadAt, int64_t Size, TVolumeScan& V) {
  int64_t pos = V.SignatureOffset + 7;
  bool lastSplitAfter = false;
  std::vector<uint8_t> h;
  while (pos + 7 <= Size) {
    uint8_t b[7];
    if (!ReadExact(ReadAt, pos, b, 7)) { V.Truncated = true; return; }
    const uint8_t type = b[2];
    const uint16_t flags = Le16(b + 3);
    const uint16_t headSize = Le16(b + 5);
    if (headSize < 7 || pos + headSize > Size) { V.Truncated = true; return; }
    h.resize(headSize);
    if (!ReadExact(ReadAt, pos, h.data(), headSize)) { V.Truncated = true; return; }
    uint64_t addSize = 0;
    if (flags & LONG_BLOCK) {
      if (headSize < 11) { V.Truncated = true; return; }
      addSize = Le32(h.data() + 7);
    }
    if (type == MAIN_HEAD) {
      uint32_t f = 0;
      if (flags & MHD_VOLUME) f |= ROADF_VOLUME;
      if (flags & MHD_COMMENT) f |= ROADF_COMMENT;
      if (flags & MHD_LOCK) f |= ROADF_LOCK;
      if (flags & MHD_SOLID) f |= ROADF_SOLID;
      if (flags & MHD_NEWNUMBERING) f |= ROADF_NEWNUMBERING;
      if (flags & MHD_AV) f |= ROADF_SIGNED;
      if (flags & MHD_PROTECT) f |= ROADF_RECOVERY;
      if (flags & MHD_PASSWORD) f |= ROADF_ENCHEADERS;
      if (flags & MHD_FIRSTVOLUME) f |= ROADF_FIRSTVOLUME;
      V.ArchiveFlags = f;
      if (flags & MHD_PASSWORD) return;   // the rest is encrypted
    } else if (type == FILE_HEAD || type == NEWSUB_HEAD) {
      if (headSize < 32) { V.Truncated = true; return; }
      const uint8_t* p = h.data() + 7;
      TScannedFile f;
      f.PackSize = Le32(p);
      f.UnpSize = Le32(p + 4);
      f.HostOS = p[8];
      f.FileCRC = Le32(p + 9);
      f.FileTime = Le32(p + 13);
      f.UnpVer = p[17];
      f.Method = p[18];
      const uint16_t nameSize = Le16(p + 19);
      f.FileAttr = Le32(p + 21);
      size_t nameAt = 32;
      if (flags & LHD_LARGE) {
        if (headSize < 40) { V.Truncated = true; return; }
        f.PackSize |= uint64_t(Le32(p + 25)) << 32;
        f.UnpSize |= uint64_t(Le32(p + 29)) << 32;
        nameAt = 40;
      }
      if (nameAt + nameSize > headSize) { V.Truncated = true; return; }
      std::string name(reinterpret_cast<const char*>(h.data() + nameAt), nameSize);
      name = name.substr(0, name.find('\0'));   // the Unicode part follows a NUL
      f.Name = name;
      f.Flags = flags & 0xFF;
      addSize = f.PackSize;
      if (type == FILE_HEAD) {
        V.Files.push_back(f);
        lastSplitAfter = (flags & LHD_SPLIT_AFTER) != 0;
      } else if (name == "CMT" && V.CommentState == 0) {
        // The archive comment: readable when stored whole in this volume.
        if (f.Method == 0x30 && f.PackSize == f.UnpSize && f.PackSize <= MaxComment &&
            pos + headSize + int64_t(f.PackSize) <= Size) {
          V.Comment.resize(static_cast<size_t>(f.PackSize));
          if (ReadExact(ReadAt, pos + headSize, V.Comment.data(), int64_t(f.PackSize))) {
            V.CommentState = 1;
          } else {
            V.Comment.clear();
            V.CommentState = ERAR_BAD_DATA;
          }
        }
        // A packed comment cannot be read here: the archive then counts as
        // one without a comment (ROADF_COMMENT still tells that it has one).
      }
    } else if (type == ENDARC_HEAD) {
      V.NextVolume = (flags & EARC_NEXT_VOLUME) != 0;
      return;
    }
    const uint64_t next = uint64_t(pos) + headSize + addSize;
    if (next > uint64_t(Size)) { V.Truncated = true; break; }
    pos = static_cast<int64_t>(next);
  }
  // Volumes of old versions end without an end block: the split tells.
  if (V.ArchiveFlags & ROADF_VOLUME) V.NextVolume = V.NextVolume || lastSplitAfter;
}

// Format 5: variable-length integers, 7 bits a byte, low first.
struct TVintReader {
  const uint8_t* P;
  const uint8_t* End;
  bool Ok = true;
  uint64_t Next() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (P >= End) { Ok = false; return 0; }
      const uint8_t b = *P++;
      v |= uint64_t(b & 0x7F) << shift;
      if (!(b & 0x80)) return v;
    }
    Ok = false;
    return 0;
  }
  uint32_t U32() {
    if (End - P < 4) { Ok = false; return 0; }
    const uint32_t v = Le32(P);
    P += 4;
    return v;
  }
};

void ScanRar5(const TReadAt& ReadAt, int64_t Size, TVolumeScan& V) {
  constexpr uint64_t HEAD_MAIN = 1, HEAD_FILE = 2, HEAD_SERVICE = 3, HEAD_CRYPT = 4, HEAD_ENDARC = 5;
  constexpr uint64_t HFL_EXTRA = 0x1, HFL_DATA = 0x2, HFL_SPLIT_BEFORE = 0x8, HFL_SPLIT_AFTER = 0x10;
  constexpr uint64_t MaxHeader = 2 * 1024 * 1024;
  int64_t pos = V.SignatureOffset + 8;
  std::vector<uint8_t> h;
  while (pos + 7 <= Size) {
    uint8_t b[7];   // CRC and at most three bytes of header size
    if (!ReadExact(ReadAt, pos, b, 7)) { V.Truncated = true; return; }
    TVintReader sz{b + 4, b + 7};
    const uint64_t headSize = sz.Next();
    const int64_t headStart = pos + (sz.P - b);
    if (!sz.Ok || headSize == 0 || headSize > MaxHeader || headStart + int64_t(headSize) > Size) {
      V.Truncated = true;
      return;
    }
    h.resize(static_cast<size_t>(headSize));
    if (!ReadExact(ReadAt, headStart, h.data(), int64_t(headSize))) { V.Truncated = true; return; }
    TVintReader r{h.data(), h.data() + h.size()};
    const uint64_t type = r.Next();
    const uint64_t flags = r.Next();
    uint64_t extraSize = 0, dataSize = 0;
    if (flags & HFL_EXTRA) extraSize = r.Next();
    if (flags & HFL_DATA) dataSize = r.Next();
    if (!r.Ok || extraSize > headSize) { V.Truncated = true; return; }
    const uint8_t* extraStart = h.data() + h.size() - extraSize;
    if (type == HEAD_MAIN) {
      const uint64_t af = r.Next();
      uint32_t f = 0;
      if (af & 0x01) f |= ROADF_VOLUME | ROADF_NEWNUMBERING;
      if (af & 0x04) f |= ROADF_SOLID;
      if (af & 0x08) f |= ROADF_RECOVERY;
      if (af & 0x10) f |= ROADF_LOCK;
      uint64_t volNumber = 0;
      if (af & 0x02) volNumber = r.Next();
      // The reader behind this scan parses a header's fields past its end
      // when they do not fit: such a header is damage, not data.
      if (!r.Ok || r.P > extraStart) { V.Truncated = true; return; }
      if ((af & 0x01) && volNumber == 0) f |= ROADF_FIRSTVOLUME;
      V.ArchiveFlags = f;
    } else if (type == HEAD_FILE || type == HEAD_SERVICE) {
      // Service data (comment, recovery record) has a file header of its
      // own, packed: checked like a file's, not listed.
      TScannedFile f;
      const uint64_t fileFlags = r.Next();
      f.UnpSize = r.Next();
      f.FileAttr = static_cast<uint32_t>(r.Next());
      if (fileFlags & 0x2) f.FileTime = DosTime(r.U32());
      f.HasCRC = (fileFlags & 0x4) != 0;
      if (f.HasCRC) f.FileCRC = r.U32();
      const uint64_t comp = r.Next();
      const uint64_t host = r.Next();
      const uint64_t nameLen = r.Next();
      if (!r.Ok || r.P > extraStart || nameLen > uint64_t(extraStart - r.P)) { V.Truncated = true; return; }
      f.Name.assign(reinterpret_cast<const char*>(r.P), static_cast<size_t>(nameLen));
      f.PackSize = dataSize;
      f.HostOS = host == 0 ? 2 : 3;   // Windows or Unix in the format-4 numbering
      f.UnpVer = 50;
      f.Method = 0x30 + static_cast<uint32_t>((comp >> 7) & 7);
      if (flags & HFL_SPLIT_BEFORE) f.Flags |= RHDF_SPLITBEFORE;
      if (flags & HFL_SPLIT_AFTER) f.Flags |= RHDF_SPLITAFTER;
      if (comp & 0x40) f.Flags |= RHDF_SOLID;
      if (fileFlags & 0x1) {
        f.Flags |= RHDF_DIRECTORY;
      } else {
        f.Flags |= static_cast<uint32_t>(std::min<uint64_t>(((comp >> 10) & 0xF) + 1, 6)) << 5;
      }
      // Extra records: size, type, data; type 1 is the file's encryption.
      TVintReader x{extraStart, h.data() + h.size()};
      while (x.Ok && x.P < x.End) {
        const uint64_t recSize = x.Next();
        const uint8_t* recStart = x.P;
        if (!x.Ok || recSize > uint64_t(x.End - recStart)) break;
        if (x.Next() == 1) f.Flags |= RHDF_ENCRYPTED;
        x.P = recStart + recSize;
      }
      if (type == HEAD_FILE) V.Files.push_back(f);
    } else if (type == HEAD_CRYPT) {
      V.ArchiveFlags |= ROADF_ENCHEADERS;
      return;
    } else if (type == HEAD_ENDARC) {
      const uint64_t endFlags = r.Next();
      if (!r.Ok || r.P > extraStart) { V.Truncated = true; return; }
      V.NextVolume = (endFlags & 0x1) != 0;
      return;
    }
    const uint64_t next = uint64_t(headStart) + headSize + dataSize;
    if (next > uint64_t(Size)) { V.Truncated = true; return; }
    pos = static_cast<int64_t>(next);
  }
}

}  // namespace

TVolumeScan ScanVolume(const TReadAt& ReadAt, int64_t Size) {
  TVolumeScan v;
  // The signature at the start, or after a self-extractor's stub.
  const int64_t window = std::min<int64_t>(Size, MaxStub + 8);
  std::vector<uint8_t> head(static_cast<size_t>(std::max<int64_t>(window, 0)));
  if (window < 7 || ReadAt(0, head.data(), window) != window) return v;
  for (int64_t i = 0; i + 7 <= window; ++i) {
    const uint8_t* p = head.data() + i;
    if (std::memcmp(p, Rar4Signature, 7) == 0) {
      v.Format = TRarFormat::rfRar4;
      v.SignatureOffset = i;
      ScanRar4(ReadAt, Size, v);
      return v;
    }
    if (i + 8 <= window && std::memcmp(p, Rar5Signature, 8) == 0) {
      v.Format = TRarFormat::rfRar5;
      v.SignatureOffset = i;
      ScanRar5(ReadAt, Size, v);
      return v;
    }
  }
  return v;
}

uint32_t Crc32(uint32_t Crc, const void* Data, size_t Size) {
  static const auto Table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  const auto* p = static_cast<const uint8_t*>(Data);
  Crc = ~Crc;
  for (size_t i = 0; i < Size; ++i) Crc = Table[(Crc ^ p[i]) & 0xFF] ^ (Crc >> 8);
  return ~Crc;
}

std::string NextVolumeName(const std::string& Name, bool NewNumbering) {
  std::string n = Name;
  const size_t slash = n.find_last_of("\\/");
  const size_t dot = n.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  if (NewNumbering && hasExt) {
    // The digits just before the extension count up, keeping their width.
    size_t end = dot;
    size_t start = end;
    while (start > 0 && start - 1 != slash && n[start - 1] >= '0' && n[start - 1] <= '9') --start;
    if (start < end) {
      size_t i = end;
      while (i > start) {
        --i;
        if (n[i] != '9') { ++n[i]; return n; }
        n[i] = '0';
      }
      n.insert(start, "1");
      return n;
    }
  }
  if (!hasExt) return n + ".r00";
  std::string ext = n.substr(dot + 1);
  if (ext.size() != 3 || ext[1] < '0' || ext[1] > '9' || ext[2] < '0' || ext[2] > '9')
    return n.substr(0, dot + 1) + (ext.size() && ext[0] >= 'A' && ext[0] <= 'Z' ? "R00" : "r00");
  // .r00 .. .r99, then .s00 and on
  if (ext[2] != '9') {
    ++ext[2];
  } else if (ext[1] != '9') {
    ext[2] = '0';
    ++ext[1];
  } else {
    ext[1] = ext[2] = '0';
    ++ext[0];
  }
  return n.substr(0, dot + 1) + ext;
}
