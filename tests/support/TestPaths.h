// Paths for tests running under Wine: the source tree is reached through
// the Z: drive, scratch files live in the test's working folder.
#pragma once
#include <map>
#include <string>

std::string SourcePath(const std::string& Relative);   // e.g. "tests/data/x.csv"
std::string TempFolder(const std::string& Name);        // fresh empty folder in the cwd
void WriteTextFile(const std::string& Name, const std::string& Bytes);
std::string ReadTextFile(const std::string& Name);
// Every file below Folder: relative path (backslashes) -> its bytes.
std::map<std::string, std::string> ReadTree(const std::string& Folder);
