// The file name that aRvik.FileWrite and aRvik.FileRead take.
#pragma once

#include <str.h>

#include "CommandArguments.h"

// The name given in property as the file system will store it: %VAR%
// expanded, a relative name below the data folder, "." and ".." resolved;
// written back into property, which stays. The empty name stays empty.
string ResolveFileName(CommandArguments& arguments, const char* property);
