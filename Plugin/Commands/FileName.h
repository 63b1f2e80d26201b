// The file name that aRvik.FileWrite and aRvik.FileRead take.
#pragma once

#include <str.h>

#include "Commands/CommandArguments.h"

// The name given in property as the file system will store it: %VAR%
// expanded, a relative name below the data folder, "." and ".." resolved;
// written back into property, which stays. The empty name stays empty. A
// name of a device or a stream (RefusedNameReason) throws NameRefusal with
// action ("записать файл") and leaves the property as it was.
string ResolveFileName(CommandArguments& arguments, const char* property, const char* action);
