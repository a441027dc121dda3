// The RAR library unrar.dll, bound by name at run time: the module and its
// eleven entry points (null while not loaded). Tests may put fakes in them.
#pragma once
#include <windows.h>

#include "classlib/WinHandles.h"
#include "unrar/UnRarApi.h"

extern TLibraryHandle UnRarLibrary;
extern bool IsUnRarLoaded;

extern TRAROpenArchive RAROpenArchive;
extern TRAROpenArchiveEx RAROpenArchiveEx;
extern TRARCloseArchive RARCloseArchive;
extern TRARReadHeader RARReadHeader;
extern TRARReadHeaderEx RARReadHeaderEx;
extern TRARProcessFile RARProcessFile;
extern TRARSetCallback RARSetCallback;
extern TRARSetChangeVolProc RARSetChangeVolProc;
extern TRARSetProcessDataProc RARSetProcessDataProc;
extern TRARSetPassword RARSetPassword;
extern TRARGetDllVersion RARGetDllVersion;

// Loads "unrar.dll" and binds the entry points; true when this call loaded
// it (false when it was loaded already or cannot be found). The library
// counts as loaded only when every entry point the extractor calls is bound.
bool LoadUnRarDll();
// Frees the library and clears every entry point.
void UnloadUnRarDll();
