// The RAR library's DLL interface: the eleven exports of unrar.dll, their
// structures, codes and calling convention (stdcall, undecorated names).
// Shared by our unrar.dll and by the wizard's binding, which loads whichever
// unrar.dll lies beside the program.
#pragma once
#include <windows.h>

#include "unrar/RarCodes.h"

struct RAROpenArchiveData {
  char* ArcName;
  UINT OpenMode;
  UINT OpenResult;
  char* CmtBuf;
  UINT CmtBufSize;
  UINT CmtSize;
  UINT CmtState;
};

using UNRARCALLBACK = int(CALLBACK*)(UINT msg, LPARAM UserData, LPARAM P1, LPARAM P2);
using CHANGEVOLPROC = int(PASCAL*)(char* ArcName, int Mode);
using PROCESSDATAPROC = int(PASCAL*)(unsigned char* Addr, int Size);

struct RAROpenArchiveDataEx {
  char* ArcName;
  wchar_t* ArcNameW;
  UINT OpenMode;
  UINT OpenResult;
  char* CmtBuf;
  UINT CmtBufSize;
  UINT CmtSize;
  UINT CmtState;
  UINT Flags;
  UNRARCALLBACK Callback;   // reserved (zero) for callers of older versions
  LPARAM UserData;
  UINT Reserved[28];
};

struct RARHeaderData {
  char ArcName[260];
  char FileName[260];
  UINT Flags;
  UINT PackSize;
  UINT UnpSize;
  UINT HostOS;
  UINT FileCRC;
  UINT FileTime;   // DOS date and time
  UINT UnpVer;
  UINT Method;
  UINT FileAttr;
  char* CmtBuf;
  UINT CmtBufSize;
  UINT CmtSize;
  UINT CmtState;
};

struct RARHeaderDataEx {
  char ArcName[1024];
  wchar_t ArcNameW[1024];
  char FileName[1024];
  wchar_t FileNameW[1024];
  UINT Flags;
  UINT PackSize;
  UINT PackSizeHigh;
  UINT UnpSize;
  UINT UnpSizeHigh;
  UINT HostOS;
  UINT FileCRC;
  UINT FileTime;
  UINT UnpVer;
  UINT Method;
  UINT FileAttr;
  char* CmtBuf;
  UINT CmtBufSize;
  UINT CmtSize;
  UINT CmtState;
  UINT Reserved[1024];
};

// The interface version this DLL answers in RARGetDllVersion.
constexpr int RAR_DLL_VERSION = 4;

// The exports as function-pointer types, for binding by name.
using TRAROpenArchive = HANDLE(PASCAL*)(RAROpenArchiveData* ArchiveData);
using TRAROpenArchiveEx = HANDLE(PASCAL*)(RAROpenArchiveDataEx* ArchiveData);
using TRARCloseArchive = int(PASCAL*)(HANDLE hArcData);
using TRARReadHeader = int(PASCAL*)(HANDLE hArcData, RARHeaderData* HeaderData);
using TRARReadHeaderEx = int(PASCAL*)(HANDLE hArcData, RARHeaderDataEx* HeaderData);
using TRARProcessFile = int(PASCAL*)(HANDLE hArcData, int Operation, char* DestPath, char* DestName);
using TRARSetCallback = void(PASCAL*)(HANDLE hArcData, UNRARCALLBACK Callback, LPARAM UserData);
using TRARSetChangeVolProc = void(PASCAL*)(HANDLE hArcData, CHANGEVOLPROC ChangeVolProc);
using TRARSetProcessDataProc = void(PASCAL*)(HANDLE hArcData, PROCESSDATAPROC ProcessDataProc);
using TRARSetPassword = void(PASCAL*)(HANDLE hArcData, char* Password);
using TRARGetDllVersion = int(PASCAL*)();
