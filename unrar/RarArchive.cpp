#include "unrar/RarArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "unrar/RarCodes.h"

namespace {

constexpr int64_t ReadBlock = 1 << 20;

la_ssize_t ReadCallback(struct archive*, void* Self, const void** Buffer) {
  return static_cast<la_ssize_t>(static_cast<TRarArchive*>(Self)->Read(Buffer));
}

// "name.part7.rar": numbered volumes even where the main header does not say so.
bool LooksNewNumbered(const std::string& Name) {
  std::string n = Name;
  std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const size_t dot = n.rfind(".rar");
  if (dot == std::string::npos || dot + 4 != n.size()) return false;
  size_t i = dot;
  while (i > 0 && n[i - 1] >= '0' && n[i - 1] <= '9') --i;
  return i < dot && i >= 5 && n.compare(i - 5, 5, ".part") == 0;
}

}  // namespace

TRarArchive::TRarArchive(TOpenVolume OpenVolume) : FOpenVolume(std::move(OpenVolume)) {}

TRarArchive::~TRarArchive() {
  if (FArchive) archive_read_free(FArchive);
}

void TRarArchive::AppendFiles(const TVolumeScan& Scan) {
  for (const TScannedFile& f : Scan.Files) {
    if ((f.Flags & RHDF_SPLITBEFORE) && !FFiles.empty()) {
      FFiles.back().Header.PackSize += f.PackSize;   // a later piece of the same file
    } else {
      FFiles.push_back({f});
    }
    // The last piece carries the CRC of the whole file.
    if (!(f.Flags & RHDF_SPLITAFTER)) {
      TFileRecord& r = FFiles.back();
      r.Complete = true;
      r.HasCRC = f.HasCRC && !(f.Flags & RHDF_DIRECTORY);
      r.CRC = f.FileCRC;
    }
  }
}

int TRarArchive::Open(const std::string& ArcName) {
  FVolume = FOpenVolume(ArcName);
  if (!FVolume) return ERAR_EOPEN;
  FVolumeName = ArcName;
  FPosition = 0;
  TVolumeFile* v = FVolume.get();
  FScan = ScanVolume([v](int64_t O, void* B, int64_t C) { return v->ReadAt(O, B, C); }, v->Size());
  if (FScan.Format == TRarFormat::rfUnknown) return ERAR_BAD_ARCHIVE;
  // A volume whose blocks run past its end is damaged: never handed on, as
  // libarchive would take a length from such a header at its word and
  // reserve memory for it.
  if (FScan.Truncated) return ERAR_BAD_DATA;
  FirstScan = FScan;
  FNewNumbering = (FScan.ArchiveFlags & ROADF_NEWNUMBERING) || LooksNewNumbered(ArcName);
  AppendFiles(FScan);

  FArchive = archive_read_new();
  if (!FArchive) return ERAR_NO_MEMORY;
  archive_read_support_format_rar(FArchive);
  archive_read_support_format_rar5(FArchive);
  // Names (and link targets) without a Unicode form, written on Unix, are
  // UTF-8 in practice; elsewhere they are in the reader's code page.
  if (std::any_of(FScan.Files.begin(), FScan.Files.end(), [](const TScannedFile& F) { return F.HostOS == 3; }))
    archive_read_set_format_option(FArchive, "rar", "hdrcharset", "UTF-8");
  if (archive_read_open(FArchive, this, nullptr, ReadCallback, nullptr) != ARCHIVE_OK)
    return FVolumeFailed ? ERAR_EOPEN : ERAR_BAD_ARCHIVE;
  return ERAR_SUCCESS;
}

int64_t TRarArchive::Read(const void** Buffer) {
  if (!FVolume) return 0;
  for (;;) {
    const int64_t size = FVolume->Size();
    if (FPosition < size) {
      FBuffer.resize(static_cast<size_t>(ReadBlock));
      const int64_t n = FVolume->ReadAt(FPosition, FBuffer.data(), std::min(ReadBlock, size - FPosition));
      if (n <= 0) {
        FVolumeFailed = true;
        archive_set_error(FArchive, EIO, "Cannot read %s", FVolumeName.c_str());
        return -1;
      }
      FPosition += n;
      *Buffer = FBuffer.data();
      return n;
    }
    if (!FScan.NextVolume) return 0;
    if (!OpenNextVolume()) {
      FVolumeFailed = true;
      archive_set_error(FArchive, ENOENT, "Missing volume after %s", FVolumeName.c_str());
      return -1;
    }
    if (FScan.Truncated) {
      archive_set_error(FArchive, EINVAL, "%s is damaged", FVolumeName.c_str());
      return -1;
    }
  }
}

bool TRarArchive::OpenNextVolume() {
  std::string name = NextVolumeName(FVolumeName, FNewNumbering);
  bool retried = false;
  for (;;) {
    if (std::unique_ptr<TVolumeFile> v = FOpenVolume(name)) {
      FVolume = std::move(v);
      FVolumeName = name;
      FPosition = 0;
      TVolumeFile* p = FVolume.get();
      FScan = ScanVolume([p](int64_t O, void* B, int64_t C) { return p->ReadAt(O, B, C); }, p->Size());
      AppendFiles(FScan);
      if (OnChangeVolume) {
        std::string n = name;
        if (OnChangeVolume(n, RAR_VOL_NOTIFY) == -1) {
          Aborted = true;
          return false;
        }
      }
      return true;
    }
    // Missing: ask where it is. An answer that names the same volume again
    // after it was still missing gives up (nobody will supply it).
    if (!OnChangeVolume || retried) return false;
    std::string asked = name;
    if (OnChangeVolume(asked, RAR_VOL_ASK) == -1) return false;
    retried = asked == name;
    name = asked;
  }
}

int TRarArchive::EncryptedResult() {
  if (Password.empty() && OnNeedPassword) OnNeedPassword(Password);
  // libarchive cannot decrypt RAR: with a password the entry still cannot be read.
  return Password.empty() ? ERAR_MISSING_PASSWORD : ERAR_UNKNOWN_FORMAT;
}

int TRarArchive::ReadHeader(TRarEntry& Entry) {
  if (FHeaderResult != ERAR_SUCCESS) return FHeaderResult;
  if (!FArchive) return FHeaderResult = ERAR_BAD_ARCHIVE;
  if (FirstScan.ArchiveFlags & ROADF_ENCHEADERS) return FHeaderResult = EncryptedResult();
  struct archive_entry* e = nullptr;
  const int r = archive_read_next_header(FArchive, &e);
  if (r == ARCHIVE_EOF) return FHeaderResult = ERAR_END_ARCHIVE;
  if (r < ARCHIVE_WARN || !e) {
    if (Aborted) return FHeaderResult = ERAR_UNKNOWN;
    return FHeaderResult = FVolumeFailed ? ERAR_EOPEN : ERAR_BAD_DATA;
  }
  Entry = TRarEntry();
  const char* name = archive_entry_pathname_utf8(e);
  if (!name) name = archive_entry_pathname(e);
  Entry.NameUtf8 = name ? name : "";
  if (const wchar_t* w = archive_entry_pathname_w(e)) Entry.NameW = w;
  Entry.Directory = archive_entry_filetype(e) == AE_IFDIR;
  Entry.Size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(std::max<int64_t>(archive_entry_size(e), 0)) : 0;
  Entry.MTime = archive_entry_mtime(e);
  Entry.Mode = static_cast<uint32_t>(archive_entry_perm(e));
  Entry.Encrypted = archive_entry_is_data_encrypted(e) != 0;
  Entry.Symlink = archive_entry_filetype(e) == AE_IFLNK;
  if (Entry.Symlink)
    if (const wchar_t* t = archive_entry_symlink_w(e)) Entry.SymlinkW = t;
  if (const wchar_t* t = archive_entry_hardlink_w(e)) Entry.HardlinkW = t;
  const size_t i = FEntryIndex++;
  FCurrent = SIZE_MAX;
  // The scans saw the same files in the same order; a disagreement (a kind
  // of block the scan skips) leaves the entry with libarchive's fields only.
  if (i < FFiles.size() && (Entry.Directory || FFiles[i].Header.UnpSize == Entry.Size)) {
    Entry.Header = FFiles[i].Header;
    Entry.HaveHeader = true;
    FCurrent = i;
    if (Entry.Header.Flags & RHDF_ENCRYPTED) Entry.Encrypted = true;
  }
  FEntryEncrypted = Entry.Encrypted;
  FEntrySize = archive_entry_size_is_set(e) && !Entry.Directory && !Entry.Symlink ? archive_entry_size(e) : -1;
  return ERAR_SUCCESS;
}

int TRarArchive::ReadData(const std::function<bool(const void* Data, size_t Size)>& Sink) {
  if (!FArchive || FHeaderResult != ERAR_SUCCESS) return ERAR_BAD_ARCHIVE;
  if (FEntryEncrypted) return EncryptedResult();
  static const char Zeros[4096] = {};
  int64_t written = 0;
  uint32_t crc = 0;
  for (;;) {
    const void* buf = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    const int r = archive_read_data_block(FArchive, &buf, &size, &offset);
    if (r == ARCHIVE_EOF) {
      // libarchive does not check the CRC of stored entries: done here for
      // every entry whose stored CRC the scans have seen.
      if (FCurrent < FFiles.size() && FFiles[FCurrent].Complete && FFiles[FCurrent].HasCRC &&
          FFiles[FCurrent].CRC != crc)
        return ERAR_BAD_DATA;
      // Nor is a short or long body ever success.
      if (FEntrySize >= 0 && written != FEntrySize) return ERAR_BAD_DATA;
      return ERAR_SUCCESS;
    }
    if (r < ARCHIVE_WARN) {
      if (Aborted) return ERAR_UNKNOWN;
      return FVolumeFailed ? ERAR_EOPEN : ERAR_BAD_DATA;
    }
    while (written < offset) {   // a hole: zeros up to the block
      const size_t n = static_cast<size_t>(std::min<int64_t>(offset - written, sizeof Zeros));
      if (!Sink(Zeros, n)) return Aborted ? ERAR_UNKNOWN : ERAR_EWRITE;
      crc = Crc32(crc, Zeros, n);
      written += static_cast<int64_t>(n);
    }
    if (size && !Sink(buf, size)) return Aborted ? ERAR_UNKNOWN : ERAR_EWRITE;
    crc = Crc32(crc, buf, size);
    written += static_cast<int64_t>(size);
  }
}

int TRarArchive::Skip() {
  if (!FArchive || FHeaderResult != ERAR_SUCCESS) return ERAR_BAD_ARCHIVE;
  if (archive_read_data_skip(FArchive) < ARCHIVE_WARN) {
    if (Aborted) return ERAR_UNKNOWN;
    return FVolumeFailed ? ERAR_EOPEN : ERAR_BAD_DATA;
  }
  return ERAR_SUCCESS;
}
