// Which picture class of the class library reads a file extension, from
// TPicture's registry of formats.
#pragma once
#include <string>

#include "classlib/Graphics.h"

// One line "extension=description" per registered format, in registration
// order, with the format's picture class attached as the line's object.
void GetRegisteredPictureFormats(TStrings& List);
// The picture class attached to a line of that list; null for any other object.
TGraphicClass RegisteredPictureClass(const TObject* Entry);
// Null for an empty or unknown extension; a leading "." is ignored, case too.
TGraphicClass GraphicClassForExtension(const std::string& Extension);
