#include "FuzzCommands.h"

#include "Utf8.h"

const char kEveryCommand[] = "Every command";

const std::vector<CommandInfo>& Commands() {
    static const std::vector<CommandInfo> commands = {
        {Command::LogWrite, L"aRvik.LogWrite", "aRvik.LogWrite", 8, {L"aRvik.LogText"}, {L"aRvik.LogText"}, {}, {},
         false},
        {Command::SetProp, L"aRvik.SetProp", "aRvik.SetProp", 6, {L"aRvik.Name", L"aRvik.Value"},
         {L"aRvik.Name", L"aRvik.Value"}, {}, {}, false},
        {Command::GetEnv, L"aRvik.GetEnv", "aRvik.GetEnv", 5, {L"aRvik.Name"}, {L"aRvik.Name"}, {}, {}, false},
        {Command::PutEnv, L"aRvik.PutEnv", "aRvik.PutEnv", 5, {L"aRvik.Name", L"aRvik.Value"},
         {L"aRvik.Name", L"aRvik.Value"}, {}, {}, false},
        {Command::Execute, L"aRvik.Execute", "aRvik.Execute", 4,
         {L"aRvik.Command", L"aRvik.Wait", L"aRvik.Hide", L"aRvik.Dir", L"aRvik.Timeout", L"aRvik.Capture",
          L"aRvik.CaptureEncoding", L"aRvik.Kill"},
         {L"aRvik.Command", L"aRvik.Wait", L"aRvik.Hide", L"aRvik.Dir", L"aRvik.Timeout", L"aRvik.Capture",
          L"aRvik.CaptureEncoding", L"aRvik.Kill"},
         {L"aRvik.Result", L"aRvik.ProcessId", L"aRvik.Output"}, {}, false},
        {Command::Await, L"aRvik.Await", "aRvik.Await", 3, {L"aRvik.ProcessId", L"aRvik.Timeout", L"aRvik.Kill"},
         {L"aRvik.Timeout", L"aRvik.Kill"}, {L"aRvik.Result"}, {}, false},
        {Command::UpdateProps, L"aRvik.UpdateProps", "aRvik.UpdateProps", 4, {}, {}, {}, {}, false},
        {Command::FileWrite, L"aRvik.FileWrite", "aRvik.FileWrite", 10,
         {L"aRvik.FileName", L"aRvik.FileText", L"aRvik.FileMode", L"aRvik.FileEncoding"},
         {L"aRvik.FileText", L"aRvik.FileMode", L"aRvik.FileEncoding"}, {}, {L"aRvik.FileName"}, false},
        {Command::FileRead, L"aRvik.FileRead", "aRvik.FileRead", 9, {L"aRvik.FileName", L"aRvik.FileEncoding"},
         {L"aRvik.FileEncoding"}, {}, {L"aRvik.FileName"}, false},
        {Command::FileInfo, L"aRvik.FileInfo", "aRvik.FileInfo", 7, {L"aRvik.FileName"}, {}, {},
         {L"aRvik.FileName"}, false},
        {Command::FileDelete, L"aRvik.FileDelete", "aRvik.FileDelete", 7, {L"aRvik.FileName"}, {}, {},
         {L"aRvik.FileName"}, false},
        {Command::FileCopy, L"aRvik.FileCopy", "aRvik.FileCopy", 7,
         {L"aRvik.FileName", L"aRvik.FileTarget", L"aRvik.FileMode"}, {L"aRvik.FileMode"}, {},
         {L"aRvik.FileName", L"aRvik.FileTarget"}, false},
        {Command::FileMove, L"aRvik.FileMove", "aRvik.FileMove", 7,
         {L"aRvik.FileName", L"aRvik.FileTarget", L"aRvik.FileMode"}, {L"aRvik.FileMode"}, {},
         {L"aRvik.FileName", L"aRvik.FileTarget"}, false},
        {Command::FileList, L"aRvik.FileList", "aRvik.FileList", 6, {L"aRvik.FileName", L"aRvik.FileSort"},
         {L"aRvik.FileSort"}, {}, {L"aRvik.FileName"}, false},
        {Command::Http, L"aRvik.Http", "aRvik.Http", 7,
         {L"aRvik.Url", L"aRvik.Method", L"aRvik.Headers", L"aRvik.Body", L"aRvik.Timeout", L"aRvik.OutFile",
          L"aRvik.BodyFile", L"aRvik.FileMode"},
         {L"aRvik.Url", L"aRvik.Method", L"aRvik.Headers", L"aRvik.Body", L"aRvik.Timeout", L"aRvik.OutFile",
          L"aRvik.BodyFile", L"aRvik.FileMode"},
         {L"aRvik.Result", L"aRvik.Output"}, {}, false},
        {Command::FileHash, L"aRvik.FileHash", "aRvik.FileHash", 6, {L"aRvik.FileName", L"aRvik.HashAlgorithm"},
         {L"aRvik.HashAlgorithm"}, {}, {L"aRvik.FileName"}, false},
        {Command::JsonGet, L"aRvik.JsonGet", "aRvik.JsonGet", 6, {L"aRvik.JsonText", L"aRvik.JsonPath"},
         {L"aRvik.JsonPath"}, {}, {}, false},
        {Command::RegRead, L"aRvik.RegRead", "aRvik.RegRead", 4, {L"aRvik.RegKey", L"aRvik.RegValue", L"aRvik.RegView"},
         {L"aRvik.RegView"}, {}, {}, false},
        {Command::RegWrite, L"aRvik.RegWrite", "aRvik.RegWrite", 4,
         {L"aRvik.RegKey", L"aRvik.RegValue", L"aRvik.RegView", L"aRvik.RegType", L"aRvik.Value"},
         {L"aRvik.RegView", L"aRvik.RegType", L"aRvik.Value"}, {}, {}, false},
        {Command::RegDelete, L"aRvik.RegDelete", "aRvik.RegDelete", 3,
         {L"aRvik.RegKey", L"aRvik.RegValue", L"aRvik.RegView"}, {L"aRvik.RegView"}, {}, {}, false},
        {Command::RegList, L"aRvik.RegList", "aRvik.RegList", 3, {L"aRvik.RegKey", L"aRvik.RegView"},
         {L"aRvik.RegView"}, {}, {}, false},
        {Command::IniRead, L"aRvik.IniRead", "aRvik.IniRead", 5,
         {L"aRvik.FileName", L"aRvik.IniSection", L"aRvik.IniKey"}, {}, {}, {L"aRvik.FileName"}, false},
        {Command::IniWrite, L"aRvik.IniWrite", "aRvik.IniWrite", 6,
         {L"aRvik.FileName", L"aRvik.IniSection", L"aRvik.IniKey", L"aRvik.Value"}, {L"aRvik.Value"}, {},
         {L"aRvik.FileName"}, false},
        {Command::IniDelete, L"aRvik.IniDelete", "aRvik.IniDelete", 4,
         {L"aRvik.FileName", L"aRvik.IniSection", L"aRvik.IniKey"}, {}, {}, {L"aRvik.FileName"}, false},
        {Command::ProcessList, L"aRvik.ProcessList", "aRvik.ProcessList", 3, {L"aRvik.Name"}, {L"aRvik.Name"}, {},
         {}, false},
        {Command::ProcessEnd, L"aRvik.ProcessEnd", "aRvik.ProcessEnd", 3,
         {L"aRvik.ProcessId", L"aRvik.Name", L"aRvik.Kill"}, {L"aRvik.ProcessId", L"aRvik.Name", L"aRvik.Kill"}, {},
         {}, false},
        {Command::NewSession, L"operation 8", "Operation 8: a new session", 2, {}, {}, {}, {}, false},
    };
    return commands;
}

const CommandInfo& Info(Command command) {
    for (const CommandInfo& info : Commands())
        if (info.id == command) return info;
    return Commands().front();
}

const std::vector<const wchar_t*>& TrackedProperties() {
    static const std::vector<const wchar_t*> properties = {
        L"aRvik.LogText",  L"aRvik.Name",      L"aRvik.Value",   L"aRvik.Command",  L"aRvik.Wait",
        L"aRvik.Hide",     L"aRvik.Dir",       L"aRvik.Timeout", L"aRvik.Capture",  L"aRvik.CaptureEncoding",
        L"aRvik.Kill",     L"aRvik.Result",    L"aRvik.ProcessId", L"aRvik.Output", L"aRvik.FileName",
        L"aRvik.FileTarget", L"aRvik.FileText", L"aRvik.FileMode", L"aRvik.FileEncoding", L"aRvik.FileSize",
        L"aRvik.FileTime", L"aRvik.Url",       L"aRvik.Method",  L"aRvik.Headers",  L"aRvik.Body",
        L"aRvik.OutFile", L"aRvik.BodyFile", L"aRvik.HashAlgorithm",
        L"aRvik.JsonText", L"aRvik.JsonPath",  L"aRvik.RegKey",  L"aRvik.RegValue", L"aRvik.RegView",
        L"aRvik.RegType",
        L"aRvik.FileSort", L"aRvik.IniSection", L"aRvik.IniKey",
    };
    return properties;
}

std::string CommandName(Command command) { return Utf8(Info(command).name); }
