// The aRvik.* commands. Each is a function over one session's values and
// what the extender keeps from one command to the next; the extender's
// dispatch table names them. A command takes its arguments through
// CommandArguments and reports a failure by throwing.
#pragma once

#include <fwjot/Jotter.h>
#include <TASession.h>

#include "KeptProcesses.h"
#include "HttpRequest.h"
#include "KeptTextBlock.h"
#include "ScriptLog.h"

// Shared by every session one extender serves: the script log (its path
// set anew by each aRvik.LogWrite), the programs aRvik.Execute left running
// for aRvik.Await, the memory of the last long text aRvik.FileRead read,
// the web session of aRvik.Http.
struct CommandState {
    Jotter log;
    ScriptLogSettings logSettings;
    KeptProcesses kept;
    KeptTextBlock readBlock;
    HttpClient web;
};

using CommandFunction = void (*)(TAXDK::Tallivant::TASession& values, CommandState& state);

void LogWrite(TAXDK::Tallivant::TASession& values, CommandState& state);
void SetProp(TAXDK::Tallivant::TASession& values, CommandState& state);
void GetEnv(TAXDK::Tallivant::TASession& values, CommandState& state);
void PutEnv(TAXDK::Tallivant::TASession& values, CommandState& state);
void Execute(TAXDK::Tallivant::TASession& values, CommandState& state);
void UpdateProps(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileWrite(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileRead(TAXDK::Tallivant::TASession& values, CommandState& state);
void Await(TAXDK::Tallivant::TASession& values, CommandState& state);
void Http(TAXDK::Tallivant::TASession& values, CommandState& state);
