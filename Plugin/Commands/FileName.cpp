#include "FileName.h"

#include <SaveFile.h>
#include <TASession.h>
#include <fwbase/Path.h>

#include "FileSystem.h"

string ResolveFileName(CommandArguments& arguments, const char* property) {
    string name = arguments.Text(property, CommandArguments::Stays);
    if (!name.empty()) {
        if (!IsAbsolutePath(ExpEnv(name)))
            name = MakePathSpec(TAXDK::Standard::ResolveDataPath("")) + name.c_str();
        name = FullPath(ExpEnv(name));
        arguments.Session().SetString(property, name);
    }
    return name;
}
