// The C runtime's environment is not safe for two threads at once: under
// Wine a getenv beside a _putenv reads a stale copy or faults. aRvik.GetEnv
// and aRvik.PutEnv take turns on this lock, and GetEnv copies the value
// before it lets go.
#pragma once

#include <str.h>
#include <Trevan/CriticalSection.h>

Trevan::CriticalSection& EnvironmentLock();

// A variable's name the system can hold: longer ones fault inside its
// environment code. Throws KLAppException "Имя переменной среды длиннее
// 32766 знаков (N): " and the property, the name itself being too long to
// show.
void CheckVariableName(const char* property, const string& name);

// A wide name or value in the ANSI code page, a character the page lacks
// as "?", never a look-alike: a fullwidth "＼" or "ＰＡＴＨ" would otherwise
// reach the environment as "\" or "PATH", naming another variable or
// another folder than the script wrote.
string VariableText(const basic_text<wchar_t>& text);
