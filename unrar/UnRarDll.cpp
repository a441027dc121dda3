// unrar.dll: the RAR library's interface over libarchive. Reads RAR 4 and
// RAR 5 archives, compressed, solid and multi-volume. Encrypted entries are
// reported (libarchive does not decrypt RAR), never extracted.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "unrar/ArchivePaths.h"
#include "unrar/RarArchive.h"
#include "unrar/UnRarApi.h"

#define UNRAR_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr size_t MaxPassword = 128;
constexpr size_t VolumeNameBuffer = 2048;

class TWinVolumeFile : public TVolumeFile {
public:
  explicit TWinVolumeFile(HANDLE H) : FHandle(H) {}
  ~TWinVolumeFile() override { CloseHandle(FHandle); }
  int64_t Size() override {
    LARGE_INTEGER s;
    return GetFileSizeEx(FHandle, &s) ? s.QuadPart : 0;
  }
  int64_t ReadAt(int64_t Offset, void* Buffer, int64_t Count) override {
    LARGE_INTEGER p;
    p.QuadPart = Offset;
    if (!SetFilePointerEx(FHandle, p, nullptr, FILE_BEGIN)) return -1;
    int64_t done = 0;
    while (done < Count) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min<int64_t>(Count - done, 1 << 30));
      if (!ReadFile(FHandle, static_cast<char*>(Buffer) + done, want, &got, nullptr)) return -1;
      if (got == 0) break;
      done += got;
    }
    return done;
  }

private:
  HANDLE FHandle;
};

std::unique_ptr<TVolumeFile> OpenWinVolume(const std::string& Name) {
  HANDLE h = CreateFileA(Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<TWinVolumeFile>(h);
}

std::wstring Widen(const std::string& S, UINT CodePage) {
  if (S.empty()) return {};
  const int n = MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& W) {
  if (W.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, W.data(), static_cast<int>(W.size()), s.data(), n, nullptr, nullptr);
  return s;
}

template <size_t N>
void CopyText(char (&Dest)[N], const std::string& S) {
  const size_t n = std::min(S.size(), N - 1);
  std::memcpy(Dest, S.data(), n);
  Dest[n] = '\0';
}
template <size_t N>
void CopyText(wchar_t (&Dest)[N], const std::wstring& S) {
  const size_t n = std::min(S.size(), N - 1);
  std::memcpy(Dest, S.data(), n * sizeof(wchar_t));
  Dest[n] = L'\0';
}

FILETIME UnixToFileTime(int64_t T) {
  const uint64_t v = static_cast<uint64_t>(T) * 10000000ull + 116444736000000000ull;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}

UINT DosTimeOf(int64_t T) {
  FILETIME utc = UnixToFileTime(T), local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return UINT(date) << 16 | time;
}

// Makes every folder of Path up to its last separator.
bool MakeFolders(const std::wstring& Path) {
  for (size_t i = 0; i < Path.size(); ++i) {
    if ((Path[i] == L'\\' || Path[i] == L'/') && i > 0 && Path[i - 1] != L':') {
      const std::wstring dir = Path.substr(0, i);
      if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD a = GetFileAttributesW(dir.c_str());
        if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
      }
    }
  }
  return true;
}

std::wstring EntryNameW(const TRarEntry& E) {
  std::wstring w = E.NameW.empty() ? Widen(E.NameUtf8, CP_UTF8) : E.NameW;
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

struct TArcHandle {
  TRarArchive Archive{OpenWinVolume};
  UINT OpenMode = RAR_OM_LIST;
  UNRARCALLBACK Callback = nullptr;
  LPARAM UserData = 0;
  CHANGEVOLPROC ChangeVolProc = nullptr;
  PROCESSDATAPROC ProcessDataProc = nullptr;
  TRarEntry Entry;
  std::string EntryVolume;
  bool HaveEntry = false;

  TArcHandle() {
    Archive.OnChangeVolume = [this](std::string& Name, int Mode) { return ChangeVolume(Name, Mode); };
    Archive.OnNeedPassword = [this](std::string& Password) {
      if (!Callback) return;
      char buf[MaxPassword] = {};
      if (Callback(UCM_NEEDPASSWORD, UserData, reinterpret_cast<LPARAM>(buf), sizeof buf) != -1)
        Password.assign(buf, strnlen(buf, sizeof buf));
    };
  }

  int ChangeVolume(std::string& Name, int Mode) {
    char buf[VolumeNameBuffer] = {};
    CopyText(buf, Name);
    int r = 0;
    if (Callback) {
      r = Callback(UCM_CHANGEVOLUME, UserData, reinterpret_cast<LPARAM>(buf), Mode);
    } else if (ChangeVolProc) {
      r = ChangeVolProc(buf, Mode) == 0 ? -1 : 0;
    } else if (Mode == RAR_VOL_ASK) {
      return -1;   // nobody to ask
    }
    Name.assign(buf, strnlen(buf, sizeof buf));
    return r == -1 ? -1 : 0;
  }

  // Hands extracted or tested data to the caller's progress hooks; false stops.
  bool Progress(const void* Data, size_t Size) {
    auto* p = static_cast<unsigned char*>(const_cast<void*>(Data));
    while (Size > 0) {
      const int n = static_cast<int>(std::min<size_t>(Size, 1 << 30));
      if (Callback && Callback(UCM_PROCESSDATA, UserData, reinterpret_cast<LPARAM>(p), n) == -1) return false;
      if (ProcessDataProc && ProcessDataProc(p, n) == 0) return false;
      p += n;
      Size -= static_cast<size_t>(n);
    }
    return true;
  }

  int Extract(const char* DestPath, const char* DestName);
};

int TArcHandle::Extract(const char* DestPath, const char* DestName) {
  std::wstring target;
  if (DestName && *DestName) {
    target = Widen(DestName, CP_ACP);
  } else {
    const std::wstring name = EntryNameW(Entry);
    if (!IsSafeEntryPath(Narrow(name))) return ERAR_ECREATE;   // would land outside DestPath
    std::wstring dir = DestPath ? Widen(DestPath, CP_ACP) : std::wstring();
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    target = dir + name;
  }
  if (Entry.Directory) {
    if (!MakeFolders(target + L"\\")) return ERAR_ECREATE;
    return ERAR_SUCCESS;
  }
  if (!MakeFolders(target)) return ERAR_ECREATE;
  // Links stay inside the folder: a link to anywhere else would let a
  // later entry be written through it.
  if (!Entry.HardlinkW.empty()) {
    std::wstring from = Entry.HardlinkW;
    for (wchar_t& c : from)
      if (c == L'/') c = L'\\';
    if (!IsSafeEntryPath(Narrow(from))) return ERAR_ECREATE;
    std::wstring dir = DestPath ? Widen(DestPath, CP_ACP) : std::wstring();
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    DeleteFileW(target.c_str());
    if (!CreateHardLinkW(target.c_str(), (dir + from).c_str(), nullptr) &&
        !CopyFileW((dir + from).c_str(), target.c_str(), FALSE))
      return ERAR_ECREATE;
    return Archive.Skip();
  }
  if (!Entry.SymlinkW.empty() || Entry.Symlink) {
    std::wstring to = Entry.SymlinkW;
    for (wchar_t& c : to)
      if (c == L'/') c = L'\\';
    if (!IsSafeEntryPath(Narrow(to))) return ERAR_ECREATE;
    DeleteFileW(target.c_str());
    const std::wstring resolved = target.substr(0, target.find_last_of(L'\\') + 1) + to;
    const DWORD a = GetFileAttributesW(resolved.c_str());
    const DWORD flags = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    // Without the right to make links (or where the call does nothing) the
    // link becomes a copy of the file it names.
    if ((!CreateSymbolicLinkW(target.c_str(), to.c_str(), flags) ||
         GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) &&
        !CopyFileW(resolved.c_str(), target.c_str(), FALSE))
      return ERAR_ECREATE;
    return Archive.Skip();
  }
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);   // a read-only file is overwritten too
  HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ERAR_ECREATE;
  int r = Archive.ReadData([&](const void* Data, size_t Size) {
    if (!Progress(Data, Size)) {
      Archive.Aborted = true;
      return false;
    }
    const char* p = static_cast<const char*>(Data);
    while (Size > 0) {
      DWORD put = 0;
      const DWORD n = static_cast<DWORD>(std::min<size_t>(Size, 1 << 30));
      if (!WriteFile(h, p, n, &put, nullptr) || put == 0) return false;
      p += put;
      Size -= put;
    }
    return true;
  });
  if (r == ERAR_SUCCESS) {
    const FILETIME ft = UnixToFileTime(Entry.MTime);
    SetFileTime(h, nullptr, nullptr, &ft);
  }
  if (!CloseHandle(h) && r == ERAR_SUCCESS) r = ERAR_ECLOSE;
  if (r != ERAR_SUCCESS) {
    DeleteFileW(target.c_str());   // no broken file is left behind
    return r;
  }
  const bool windowsAttr = Entry.HaveHeader && (Entry.Header.HostOS == 0 || Entry.Header.HostOS == 2);
  if (windowsAttr) {
    const DWORD keep = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    if (Entry.Header.FileAttr & keep) SetFileAttributesW(target.c_str(), Entry.Header.FileAttr & keep);
  }
  return ERAR_SUCCESS;
}

template <typename H>
void FillCommon(TArcHandle& A, H& D) {
  const TRarEntry& e = A.Entry;
  const uint64_t pack = e.HaveHeader ? e.Header.PackSize : e.Size;
  UINT flags = e.HaveHeader ? e.Header.Flags : 0;
  if (e.Directory) flags |= RHDF_DIRECTORY;
  if (e.Encrypted) flags |= RHDF_ENCRYPTED;
  D.Flags = flags;
  D.PackSize = static_cast<UINT>(pack);
  D.UnpSize = static_cast<UINT>(e.Size);
  D.HostOS = e.HaveHeader ? e.Header.HostOS : 2;
  D.FileCRC = e.HaveHeader ? e.Header.FileCRC : 0;
  D.FileTime = e.HaveHeader && e.Header.FileTime ? e.Header.FileTime : DosTimeOf(e.MTime);
  D.UnpVer = e.HaveHeader ? e.Header.UnpVer : 29;
  D.Method = e.HaveHeader ? e.Header.Method : 0x30;
  D.FileAttr = e.HaveHeader ? e.Header.FileAttr : (e.Directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
  D.CmtSize = 0;
  D.CmtState = 0;
}

int ReadHeaderInto(HANDLE hArcData) {
  auto* a = static_cast<TArcHandle*>(hArcData);
  a->HaveEntry = false;
  const int r = a->Archive.ReadHeader(a->Entry);
  a->EntryVolume = a->Archive.VolumeName();
  if (r == ERAR_SUCCESS) a->HaveEntry = true;
  return r;
}

HANDLE Open(const std::string& Name, UINT Mode, UINT& OpenResult, char* CmtBuf, UINT CmtBufSize, UINT& CmtSize,
            UINT& CmtState, UNRARCALLBACK Callback, LPARAM UserData, UINT* Flags) {
  auto a = std::make_unique<TArcHandle>();
  a->OpenMode = Mode;
  a->Callback = Callback;
  a->UserData = UserData;
  OpenResult = static_cast<UINT>(a->Archive.Open(Name));
  CmtSize = 0;
  CmtState = 0;
  if (OpenResult != ERAR_SUCCESS) return nullptr;
  const TVolumeScan& s = a->Archive.FirstScan;
  if (Flags) *Flags = s.ArchiveFlags;
  if (CmtBuf && CmtBufSize > 0) {
    if (s.CommentState == 1) {
      const size_t n = std::min<size_t>(s.Comment.size(), CmtBufSize - 1);
      std::memcpy(CmtBuf, s.Comment.data(), n);
      CmtBuf[n] = '\0';
      CmtSize = static_cast<UINT>(n + 1);
      CmtState = n < s.Comment.size() ? ERAR_SMALL_BUF : 1;
    } else {
      CmtState = static_cast<UINT>(s.CommentState);
    }
  }
  return a.release();   // freed by RARCloseArchive
}

// No exception leaves the DLL: a shortage of memory and anything else
// become result codes.
template <typename F>
int Guarded(F Body) {
  try {
    return Body();
  } catch (const std::bad_alloc&) {
    return ERAR_NO_MEMORY;
  } catch (...) {
    return ERAR_UNKNOWN;
  }
}

}  // namespace

UNRAR_EXPORT HANDLE PASCAL RAROpenArchive(RAROpenArchiveData* D) {
  if (!D) return nullptr;
  try {
    return Open(D->ArcName ? D->ArcName : "", D->OpenMode, D->OpenResult, D->CmtBuf, D->CmtBufSize, D->CmtSize,
                D->CmtState, nullptr, 0, nullptr);
  } catch (const std::bad_alloc&) {
    D->OpenResult = ERAR_NO_MEMORY;
  } catch (...) {
    D->OpenResult = ERAR_UNKNOWN;
  }
  return nullptr;
}

UNRAR_EXPORT HANDLE PASCAL RAROpenArchiveEx(RAROpenArchiveDataEx* D) {
  if (!D) return nullptr;
  try {
    std::string name = D->ArcName ? D->ArcName : (D->ArcNameW ? Narrow(D->ArcNameW) : std::string());
    return Open(name, D->OpenMode, D->OpenResult, D->CmtBuf, D->CmtBufSize, D->CmtSize, D->CmtState, D->Callback,
                D->UserData, &D->Flags);
  } catch (const std::bad_alloc&) {
    D->OpenResult = ERAR_NO_MEMORY;
  } catch (...) {
    D->OpenResult = ERAR_UNKNOWN;
  }
  return nullptr;
}

UNRAR_EXPORT int PASCAL RARCloseArchive(HANDLE hArcData) {
  if (!hArcData) return ERAR_ECLOSE;
  std::unique_ptr<TArcHandle> a(static_cast<TArcHandle*>(hArcData));
  return ERAR_SUCCESS;
}

UNRAR_EXPORT int PASCAL RARReadHeader(HANDLE hArcData, RARHeaderData* D) {
  if (!hArcData || !D) return ERAR_UNKNOWN;
  return Guarded([&] {
    const int r = ReadHeaderInto(hArcData);
    if (r != ERAR_SUCCESS) return r;
    auto* a = static_cast<TArcHandle*>(hArcData);
    CopyText(D->ArcName, a->EntryVolume);
    CopyText(D->FileName, Narrow(EntryNameW(a->Entry)));
    FillCommon(*a, *D);
    return ERAR_SUCCESS;
  });
}

UNRAR_EXPORT int PASCAL RARReadHeaderEx(HANDLE hArcData, RARHeaderDataEx* D) {
  if (!hArcData || !D) return ERAR_UNKNOWN;
  return Guarded([&] {
    const int r = ReadHeaderInto(hArcData);
    if (r != ERAR_SUCCESS) return r;
    auto* a = static_cast<TArcHandle*>(hArcData);
    CopyText(D->ArcName, a->EntryVolume);
    CopyText(D->ArcNameW, Widen(a->EntryVolume, CP_ACP));
    const std::wstring w = EntryNameW(a->Entry);
    CopyText(D->FileNameW, w);
    CopyText(D->FileName, Narrow(w));
    FillCommon(*a, *D);
    const uint64_t pack = a->Entry.HaveHeader ? a->Entry.Header.PackSize : a->Entry.Size;
    D->PackSizeHigh = static_cast<UINT>(pack >> 32);
    D->UnpSizeHigh = static_cast<UINT>(a->Entry.Size >> 32);
    return ERAR_SUCCESS;
  });
}

UNRAR_EXPORT int PASCAL RARProcessFile(HANDLE hArcData, int Operation, char* DestPath, char* DestName) {
  if (!hArcData) return ERAR_UNKNOWN;
  auto* a = static_cast<TArcHandle*>(hArcData);
  if (!a->HaveEntry) return ERAR_UNKNOWN;   // no header was read before
  a->HaveEntry = false;
  return Guarded([&] {
    if (Operation == RAR_SKIP) return a->Archive.Skip();
    // Opened for listing: nothing is written, the data is only checked.
    if (Operation == RAR_TEST || a->OpenMode == RAR_OM_LIST) {
      if (a->Entry.Directory) return ERAR_SUCCESS;
      return a->Archive.ReadData([a](const void* Data, size_t Size) {
        if (a->Progress(Data, Size)) return true;
        a->Archive.Aborted = true;
        return false;
      });
    }
    if (Operation == RAR_EXTRACT) return a->Extract(DestPath, DestName);
    return ERAR_UNKNOWN;
  });
}

UNRAR_EXPORT void PASCAL RARSetCallback(HANDLE hArcData, UNRARCALLBACK Callback, LPARAM UserData) {
  if (!hArcData) return;
  auto* a = static_cast<TArcHandle*>(hArcData);
  a->Callback = Callback;
  a->UserData = UserData;
}

UNRAR_EXPORT void PASCAL RARSetChangeVolProc(HANDLE hArcData, CHANGEVOLPROC ChangeVolProc) {
  if (hArcData) static_cast<TArcHandle*>(hArcData)->ChangeVolProc = ChangeVolProc;
}

UNRAR_EXPORT void PASCAL RARSetProcessDataProc(HANDLE hArcData, PROCESSDATAPROC ProcessDataProc) {
  if (hArcData) static_cast<TArcHandle*>(hArcData)->ProcessDataProc = ProcessDataProc;
}

UNRAR_EXPORT void PASCAL RARSetPassword(HANDLE hArcData, char* Password) {
  if (!hArcData) return;
  try {
    static_cast<TArcHandle*>(hArcData)->Archive.Password = Password ? std::string(Password, strnlen(Password, MaxPassword)) : "";
  } catch (...) {
  }
}

UNRAR_EXPORT int PASCAL RARGetDllVersion() { return RAR_DLL_VERSION; }
