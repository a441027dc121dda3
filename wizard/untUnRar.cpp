#include "wizard/untUnRar.h"

TLibraryHandle UnRarLibrary;
bool IsUnRarLoaded = false;

TRAROpenArchive RAROpenArchive = nullptr;
TRAROpenArchiveEx RAROpenArchiveEx = nullptr;
TRARCloseArchive RARCloseArchive = nullptr;
TRARReadHeader RARReadHeader = nullptr;
TRARReadHeaderEx RARReadHeaderEx = nullptr;
TRARProcessFile RARProcessFile = nullptr;
TRARSetCallback RARSetCallback = nullptr;
TRARSetChangeVolProc RARSetChangeVolProc = nullptr;
TRARSetProcessDataProc RARSetProcessDataProc = nullptr;
TRARSetPassword RARSetPassword = nullptr;
TRARGetDllVersion RARGetDllVersion = nullptr;

bool LoadUnRarDll() {
  if (UnRarLibrary) return false;
  UnRarLibrary.Reset(LoadLibraryA("unrar.dll"));
  if (!UnRarLibrary) return false;
  HMODULE h = UnRarLibrary.Get();
  RAROpenArchive = GetProc<TRAROpenArchive>(h, "RAROpenArchive");
  RAROpenArchiveEx = GetProc<TRAROpenArchiveEx>(h, "RAROpenArchiveEx");
  RARCloseArchive = GetProc<TRARCloseArchive>(h, "RARCloseArchive");
  RARReadHeader = GetProc<TRARReadHeader>(h, "RARReadHeader");
  RARReadHeaderEx = GetProc<TRARReadHeaderEx>(h, "RARReadHeaderEx");
  RARProcessFile = GetProc<TRARProcessFile>(h, "RARProcessFile");
  RARSetCallback = GetProc<TRARSetCallback>(h, "RARSetCallback");
  RARSetChangeVolProc = GetProc<TRARSetChangeVolProc>(h, "RARSetChangeVolProc");
  RARSetProcessDataProc = GetProc<TRARSetProcessDataProc>(h, "RARSetProcessDataProc");
  RARSetPassword = GetProc<TRARSetPassword>(h, "RARSetPassword");
  RARGetDllVersion = GetProc<TRARGetDllVersion>(h, "RARGetDllVersion");
  IsUnRarLoaded = RAROpenArchive && RARCloseArchive && RARReadHeaderEx && RARProcessFile && RARSetCallback &&
                  RARSetPassword && RARGetDllVersion;
  return true;
}

void UnloadUnRarDll() {
  UnRarLibrary.Reset();
  IsUnRarLoaded = false;
  RAROpenArchive = nullptr;
  RAROpenArchiveEx = nullptr;
  RARCloseArchive = nullptr;
  RARReadHeader = nullptr;
  RARReadHeaderEx = nullptr;
  RARProcessFile = nullptr;
  RARSetCallback = nullptr;
  RARSetChangeVolProc = nullptr;
  RARSetProcessDataProc = nullptr;
  RARSetPassword = nullptr;
  RARGetDllVersion = nullptr;
}
