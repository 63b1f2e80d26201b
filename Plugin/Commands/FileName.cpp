#include "Commands/FileName.h"

#include <SaveFile.h>
#include <ShownText.h>
#include <TASession.h>
#include <fwbase/Path.h>

#include "Files/FileFailures.h"
#include "Files/FileSystem.h"
#include "Files/NameKinds.h"

string ResolveFileName(CommandArguments& arguments, const char* property, const char* action) {
    const string given = arguments.Text(property, CommandArguments::Stays);
    string name = given;
    if (!name.empty()) {
        if (!IsAbsolutePath(ExpEnv(name)))
            name = MakePathSpec(TAXDK::Standard::ResolveDataPath("")) + name.c_str();
        name = FullPath(ExpEnv(name));
        if (const char* reason = RefusedNameReason(name))
            throw NameRefusal(action, reason, property, TAXDK::Standard::ShownText(given));
        arguments.Session().SetString(property, name);
    }
    return name;
}
