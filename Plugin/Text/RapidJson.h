// RapidJSON as the plug-in uses it: the reader and the writer alone, with
// no assertion that could end the host's process. The code that uses them
// holds to their contracts (it asks nothing of a value of the wrong kind),
// so an assertion has nothing to catch there.
#pragma once

#ifndef RAPIDJSON_ASSERT
#define RAPIDJSON_ASSERT(x) ((void)0)
#endif

#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
