#include "TestPaths.h"

#include <windows.h>

#include <fstream>
#include <sstream>

std::string SourcePath(const std::string& Relative) {
  std::string p = std::string("Z:") + VANTREL_SOURCE_DIR + "/" + Relative;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

static void RemoveTree(const std::string& Dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = fd.cFileName;
      if (n == "." || n == "..") continue;
      std::string full = Dir + "\\" + n;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);   // read-only files too
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(Dir.c_str());
}

std::string TempFolder(const std::string& Name) {
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  std::string dir = std::string(cwd) + "\\" + Name;
  RemoveTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void WriteTextFile(const std::string& Name, const std::string& Bytes) {
  std::ofstream f(Name, std::ios::binary | std::ios::trunc);
  f << Bytes;
}

std::string ReadTextFile(const std::string& Name) {
  std::ifstream f(Name, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

static void ReadTreeInto(const std::string& Dir, const std::string& Prefix, std::map<std::string, std::string>& Out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string n = fd.cFileName;
    if (n == "." || n == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ReadTreeInto(Dir + "\\" + n, Prefix + n + "\\", Out);
    else Out[Prefix + n] = ReadTextFile(Dir + "\\" + n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

std::map<std::string, std::string> ReadTree(const std::string& Folder) {
  std::map<std::string, std::string> out;
  ReadTreeInto(Folder, "", out);
  return out;
}
