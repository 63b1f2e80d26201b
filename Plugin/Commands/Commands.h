// The aRvik.* commands. Each is a function over one session's values and
// what the extender keeps from one command to the next; the extender's
// dispatch table names them. A command takes its arguments through
// CommandArguments and reports a failure by throwing. Each property's full
// name stands once in its command's file, where it is taken or written
// (or as a file-local constant); comments name it without "aRvik.".
#pragma once

#include <fwjot/Jotter.h>
#include <TASession.h>

#include "Processes/KeptProcesses.h"
#include "Web/HttpRequest.h"
#include "Files/KeptTextBlock.h"
#include "Log/LogWriter.h"
#include "Log/ScriptLog.h"

// Shared by every session one extender serves: the script log (its path
// set anew by each aRvik.LogWrite), the programs aRvik.Execute left running
// for aRvik.Await, the memory of the last long text aRvik.FileRead read,
// the web session of aRvik.Http.
struct CommandState {
    Jotter log{new LogWriter};
    ScriptLogSettings logSettings;
    KeptProcesses kept;
    KeptTextBlock readBlock;
    HttpClient web;
};

using CommandFunction = void (*)(TAXDK::Tallivant::TASession& values, CommandState& state);
// A command that wraps the session object itself, only when it needs to.
using SessionObjectCommand = void (*)(IUnknown* session, CommandState& state);

void LogWrite(TAXDK::Tallivant::TASession& values, CommandState& state);
void SetProp(TAXDK::Tallivant::TASession& values, CommandState& state);
void GetEnv(TAXDK::Tallivant::TASession& values, CommandState& state);
void PutEnv(TAXDK::Tallivant::TASession& values, CommandState& state);
void Execute(TAXDK::Tallivant::TASession& values, CommandState& state);
void UpdateProps(IUnknown* session, CommandState& state);
void FileWrite(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileRead(TAXDK::Tallivant::TASession& values, CommandState& state);
void Await(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileInfo(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileDelete(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileCopy(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileMove(TAXDK::Tallivant::TASession& values, CommandState& state);
void FileList(TAXDK::Tallivant::TASession& values, CommandState& state);
void Http(TAXDK::Tallivant::TASession& values, CommandState& state);
