// Copying the Session Props into a session: each value of the user's key of
// type REG_SZ or REG_DWORD (as unsigned decimal text), then the policies'
// (Policy.h), which thus win; other types and the unnamed value are skipped.
// No key and no policy: the session object is not even asked for its
// values, so a session that has none is no failure then.
#pragma once

#include <unknwn.h>

void CopySessionProps(IUnknown* session);
