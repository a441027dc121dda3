// Which picture class of the class library reads a file extension, from
// TPicture's registry of formats.
#pragma once
#include <string>

#include "classlib/Graphics.h"

// One line "extension=description" per registered format, in registration
// order (line i is TPicture::FileFormats()[i]).
void GetRegisteredPictureFormats(TStrings& List);
// Null for an empty or unknown extension; a leading "." is ignored, case too.
TGraphicClass GraphicClassForExtension(const std::string& Extension);
