// The one place through which the 3D library opens files.
#pragma once
#include <memory>
#include <string>

#include "classlib/Classes.h"

// Raises Exception "File not found: \"<name>\"" when Mode is not fmCreate and
// the file does not exist; the caller owns the stream.
std::unique_ptr<TStream> CreateFileStream(const std::string& FileName, uint32_t Mode = fmOpenRead | fmShareDenyNone);
bool FileStreamExists(const std::string& FileName);
