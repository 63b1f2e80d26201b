// The aRvik.* commands. Each is a function over one session's values and,
// when it keeps something from one command to the next, the piece of its
// extender's CommandState that it uses (CommandState.h), and nothing more;
// the extender's dispatch table names them. A command takes its arguments
// through CommandArguments and reports a failure by throwing. Each
// property's full name stands once in its command's file, where it is
// taken or written (or as a file-local constant); comments name it without
// "aRvik.".
#pragma once

#include <TASession.h>

// The pieces of CommandState, known only to the files that use them.
struct KeptLog;       // Commands/LogWrite.cpp
class KeptProcesses;  // Processes/KeptProcesses.h
class KeptTextBlock;  // Files/KeptTextBlock.h
class HttpClient;     // Web/HttpRequest.h

void LogWrite(TAXDK::Tallivant::TASession& values, KeptLog& state);
void SetProp(TAXDK::Tallivant::TASession& values);
void GetEnv(TAXDK::Tallivant::TASession& values);
void PutEnv(TAXDK::Tallivant::TASession& values);
void Execute(TAXDK::Tallivant::TASession& values, KeptProcesses& kept);
// Wraps the session object itself, only when there is something to copy.
void UpdateProps(IUnknown* session);
void FileWrite(TAXDK::Tallivant::TASession& values);
void FileRead(TAXDK::Tallivant::TASession& values, KeptTextBlock& readBlock);
void Await(TAXDK::Tallivant::TASession& values, KeptProcesses& kept);
void FileInfo(TAXDK::Tallivant::TASession& values);
void FileDelete(TAXDK::Tallivant::TASession& values);
void FileCopy(TAXDK::Tallivant::TASession& values);
void FileMove(TAXDK::Tallivant::TASession& values);
void FileList(TAXDK::Tallivant::TASession& values);
void Http(TAXDK::Tallivant::TASession& values, HttpClient& web);
void FileHash(TAXDK::Tallivant::TASession& values);
void JsonGet(TAXDK::Tallivant::TASession& values);
void RegRead(TAXDK::Tallivant::TASession& values);
void RegWrite(TAXDK::Tallivant::TASession& values);
void RegDelete(TAXDK::Tallivant::TASession& values);
void RegList(TAXDK::Tallivant::TASession& values);
void IniRead(TAXDK::Tallivant::TASession& values);
void IniWrite(TAXDK::Tallivant::TASession& values);
void IniDelete(TAXDK::Tallivant::TASession& values);
void ProcessList(TAXDK::Tallivant::TASession& values);
void ProcessEnd(TAXDK::Tallivant::TASession& values);
