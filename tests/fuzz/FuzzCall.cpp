#include "FuzzCall.h"

#include <stdio.h>
#include <wchar.h>

#include "Exclusions.h"
#include "Utf8.h"

const char* StateName(FileState state) {
    static const char* const names[] = {"missing", "empty",      "ANSI",   "UTF-8 BOM", "UTF-16", "UTF-16 BE",
                                        "UTF-16 odd", "bad UTF-8", "binary", "8 MiB",     "over 64 MiB", "folder",
                                        "full folder", "read-only"};
    return names[static_cast<int>(state)];
}

const std::vector<LogPattern>& LogPatterns() {
    static const std::vector<LogPattern> patterns = {
        {"log-default", L"{scratch}log\\DebugLog *.txt"},
        {"log-off", L""},
        {"log-unset-variable", L"{scratch}log\\%ARVIK_FUZZ_UNSET%\\x *.txt"},
        {"log-unclosed-percent", L"{scratch}log\\a%b *.txt"},
        {"log-two-stars", L"{scratch}log\\* *.txt"},
        {"log-under-a-file", L"{scratch}doc.txt\\x *.txt"},
        {"log-long", L"{scratch}log\\{long} *.txt"},
        {"log-device-nul", L"{scratch}log\\NUL"},
        {"log-folder", L"{scratch}log"},
        {"log-variable", L"%ARVIK_FUZZ_SCRATCH%\\log\\v *.txt"},
    };
    return patterns;
}

const std::vector<MaxLogText>& MaxLogTexts() {
    static const std::vector<MaxLogText> values = {
        {"max-missing", REG_NONE, nullptr, 0}, {"max-0", REG_DWORD, nullptr, 0},
        {"max-1", REG_DWORD, nullptr, 1},      {"max-4294967295", REG_DWORD, nullptr, 4294967295u},
        {"max-letters", REG_SZ, "abc", 0},     {"max-text-100", REG_SZ, "100", 0},
    };
    return values;
}

namespace {

// A value for property, drawn again while an exclusion covers it. In a
// calm call every argument but the one in focus is drawn calm.
class Drawer {
public:
    Drawer(FuzzCall& call, bool all, bool calm, size_t focus) : call_(call), all_(all), calm_(calm), focus_(focus) {}

    template <class Draw>
    void Add(const wchar_t* property, Draw draw) {
        bool calm = calm_ && call_.arguments.size() != focus_;
        auto drawOnce = [&] { return draw(calm); };
        Drawn value = drawOnce();
        std::string command = CommandName(call_.command), name = Utf8(property);
        for (int tries = 0; !all_ && Excluded(command, name, value.kind); ++tries) {
            if (!call_.excluded) call_.excluded = Excluded(command, name, value.kind);
            ++call_.redrawn;
            if (tries == 50) {
                value = Drawn{MakeText(L""), "empty"};
                break;
            }
            value = drawOnce();
        }
        call_.arguments.push_back(Argument{property, value});
    }

    // Whether a value of kind may be drawn for property.
    bool Allowed(const wchar_t* property, const std::string& kind) const {
        return all_ || !Excluded(CommandName(call_.command), Utf8(property), kind);
    }

private:
    FuzzCall& call_;
    bool all_, calm_;
    size_t focus_;
};

FileState DrawState(FuzzRandom& random, std::initializer_list<std::pair<FileState, unsigned>> states) {
    std::vector<unsigned> weights;
    std::vector<FileState> kinds;
    for (const auto& state : states) {
        kinds.push_back(state.first);
        weights.push_back(state.second);
    }
    return kinds[random.Weighted(weights.data(), weights.size())];
}

void Prepare(FuzzCall& call, const Drawn& name, FileState state) {
    if (!name.plain || name.place.empty()) return;
    for (const FilePrep& prep : call.files)
        if (CompareStringOrdinal(prep.place.c_str(), -1, name.place.c_str(), -1, TRUE) == CSTR_EQUAL) return;
    call.files.push_back(FilePrep{name.place, state});
}

const Drawn& Value(const FuzzCall& call, const wchar_t* property) {
    for (const Argument& argument : call.arguments)
        if (wcscmp(argument.property, property) == 0) return argument.value;
    static const Drawn none{MakeText(L""), "empty"};
    return none;
}

// At most one value of many MiB a call: each costs tens of milliseconds
// wherever it goes.
void OneLargeValue(FuzzCall& call) {
    bool seen = false;
    for (Argument& argument : call.arguments) {
        if (argument.value.text->size() < (1u << 20)) continue;
        if (seen) argument.value = Drawn{MakeText(L""), "empty"};
        seen = true;
    }
}

}  // namespace

FuzzCall DrawCall(uint64_t seed, const FuzzContext& context, bool all) {
    FuzzRandom random(seed);
    FuzzCall call;
    call.seed = seed;
    std::vector<unsigned> weights;
    for (const CommandInfo& info : Commands()) weights.push_back(info.weight);
    call.command = Commands()[random.Weighted(weights.data(), weights.size())].id;
    call.limit = kCallMargin;
    // Half the calls have one hostile argument among sensible ones.
    bool calm = random.Percent(50);
    Drawer add(call, all, calm, random.Below(Info(call.command).arguments.size()));
    auto value = [&](Pool pool) {
        return [&random, &context, pool](bool calm) { return DrawValue(pool, random, context, calm); };
    };
    auto fileName = [&](bool writable) {
        return [&random, &context, writable](bool calm) { return DrawFileName(random, context, writable, calm); };
    };
    switch (call.command) {
    case Command::LogWrite: {
        add.Add(L"aRvik.LogText", value(Pool::LogText));
        static const unsigned patternWeights[] = {70, 5, 3, 3, 3, 3, 3, 2, 2, 3};
        static const unsigned maxWeights[] = {70, 5, 5, 5, 5, 5};
        call.log.pattern = static_cast<int>(random.Weighted(patternWeights, 10));
        call.log.maxText = static_cast<int>(random.Weighted(maxWeights, 6));
        break;
    }
    case Command::SetProp:
        add.Add(L"aRvik.Name", value(Pool::PropName));
        add.Add(L"aRvik.Value", value(Pool::AnyText));
        break;
    case Command::GetEnv:
        add.Add(L"aRvik.Name", value(Pool::GetEnvName));
        break;
    case Command::PutEnv:
        add.Add(L"aRvik.Name", value(Pool::PutEnvName));
        add.Add(L"aRvik.Value", value(Pool::AnyText));
        break;
    case Command::Execute: {
        unsigned longest = 0;
        add.Add(L"aRvik.Command", [&](bool calm) { return DrawCommand(random, context, longest, calm); });
        add.Add(L"aRvik.Wait", value(Pool::Switch));
        add.Add(L"aRvik.Hide", value(Pool::Switch));
        add.Add(L"aRvik.Dir", value(Pool::Folder));
        add.Add(L"aRvik.Timeout", value(Pool::Number));
        add.Add(L"aRvik.Capture", value(Pool::Switch));
        add.Add(L"aRvik.CaptureEncoding", value(Pool::CaptureEncoding));
        add.Add(L"aRvik.Kill", value(Pool::Switch));
        // A flood of output only where it is taken, not into the fuzzer's own.
        if (call.arguments[0].value.kind == "child-flood" &&
            (call.arguments[1].value.text->empty() || call.arguments[5].value.text->empty()))
            call.arguments[0].value = Drawn(MakeText(L"cmd /c exit 0"), "exit");
        // It waits for the program at most as long as the program runs,
        // reads its output a second more, and gives its end five.
        call.limit += longest + 6000;
        break;
    }
    case Command::Await: {
        static const unsigned targetWeights[] = {30, 25, 10, 20, 5};
        static const AwaitTarget targets[] = {AwaitTarget::KeptChild, AwaitTarget::OwnChild, AwaitTarget::Self,
                                              AwaitTarget::NoProcess, AwaitTarget::Zero};
        call.target = targets[random.Weighted(targetWeights, 5)];
        static const unsigned sleeps[] = {0, 20, 60, 200};
        call.childSleep = sleeps[random.Below(4)];
        static const DWORD none[] = {4000000000u, 4294967292u, 2147483648u, 99999996u};
        call.noProcessId = none[random.Below(4)];
        add.Add(L"aRvik.ProcessId", [&](bool calm) { return DrawProcessIdForm(random, context, calm); });
        add.Add(L"aRvik.Timeout", value(Pool::Number));
        add.Add(L"aRvik.Kill", value(Pool::Switch));
        call.limit += call.childSleep + 5000;
        break;
    }
    case Command::UpdateProps:
    case Command::NewSession:
        break;
    case Command::FileWrite: {
        add.Add(L"aRvik.FileName", fileName(true));
        add.Add(L"aRvik.FileText", value(Pool::AnyText));
        add.Add(L"aRvik.FileMode", value(Pool::WriteMode));
        add.Add(L"aRvik.FileEncoding", value(Pool::FileEncoding));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 40}, {FileState::Empty, 10}, {FileState::Ansi, 10},
                                   {FileState::Utf8Bom, 8}, {FileState::Utf16, 8}, {FileState::Utf16BigEndian, 5},
                                   {FileState::Utf16Odd, 5}, {FileState::Folder, 6}, {FileState::ReadOnly, 6},
                                   {FileState::FullFolder, 2}}));
        break;
    }
    case Command::FileRead:
        add.Add(L"aRvik.FileName", fileName(false));
        add.Add(L"aRvik.FileEncoding", value(Pool::FileEncoding));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 15}, {FileState::Empty, 8}, {FileState::Ansi, 15},
                                   {FileState::Utf8Bom, 8}, {FileState::Utf16, 8}, {FileState::Utf16BigEndian, 5},
                                   {FileState::Utf16Odd, 5}, {FileState::BadUtf8, 6}, {FileState::Binary, 6},
                                   {FileState::Large, 1}, {FileState::OverLimit, 1}, {FileState::Folder, 6},
                                   {FileState::ReadOnly, 4}}));
        break;
    case Command::FileInfo:
        add.Add(L"aRvik.FileName", fileName(false));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 25}, {FileState::Ansi, 30}, {FileState::Folder, 15},
                                   {FileState::FullFolder, 10}, {FileState::ReadOnly, 10},
                                   {FileState::OverLimit, 2}}));
        break;
    case Command::FileDelete:
        add.Add(L"aRvik.FileName", fileName(true));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 20}, {FileState::Ansi, 30}, {FileState::Empty, 5},
                                   {FileState::Folder, 15}, {FileState::FullFolder, 10},
                                   {FileState::ReadOnly, 10}}));
        break;
    case Command::FileCopy:
    case Command::FileMove: {
        add.Add(L"aRvik.FileName", fileName(true));
        const Drawn source = Value(call, L"aRvik.FileName");
        if (source.plain && !source.place.empty() && random.Percent(12) &&
            add.Allowed(L"aRvik.FileTarget", "absolute/same-file")) {
            add.Add(L"aRvik.FileTarget", [&](bool) { return SameFileOtherForm(source, random, context); });
        } else {
            // Another place than the source's, mostly: the same one is drawn above.
            add.Add(L"aRvik.FileTarget", [&](bool calm) {
                Drawn target = DrawFileName(random, context, true, calm);
                for (int tries = 0; tries < 3 && target.plain && source.plain &&
                                    CompareStringOrdinal(target.place.c_str(), -1, source.place.c_str(), -1, TRUE) ==
                                        CSTR_EQUAL;
                     ++tries)
                    target = DrawFileName(random, context, true, calm);
                return target;
            });
        }
        add.Add(L"aRvik.FileMode", value(Pool::TransferMode));
        Prepare(call, source,
                DrawState(random, {{FileState::Missing, 15}, {FileState::Ansi, 40}, {FileState::Empty, 5},
                                   {FileState::Folder, 15}, {FileState::FullFolder, 10},
                                   {FileState::ReadOnly, 10}}));
        Prepare(call, Value(call, L"aRvik.FileTarget"),
                DrawState(random, {{FileState::Missing, 50}, {FileState::Ansi, 20}, {FileState::Folder, 10},
                                   {FileState::FullFolder, 5}, {FileState::ReadOnly, 10}}));
        break;
    }
    case Command::FileHash:
        add.Add(L"aRvik.FileName", fileName(false));
        add.Add(L"aRvik.HashAlgorithm", value(Pool::HashAlgorithm));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 20}, {FileState::Ansi, 40}, {FileState::Empty, 10},
                                   {FileState::Folder, 15}, {FileState::Large, 3}, {FileState::ReadOnly, 10}}));
        break;
    case Command::FileList:
        add.Add(L"aRvik.FileName", fileName(false));
        add.Add(L"aRvik.FileSort", value(Pool::FileSort));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 15}, {FileState::FullFolder, 50}, {FileState::Folder, 15},
                                   {FileState::Ansi, 10}}));
        break;
    case Command::IniRead:
    case Command::IniWrite:
    case Command::IniDelete: {
        bool writes = call.command != Command::IniRead;
        add.Add(L"aRvik.FileName", fileName(writes));
        add.Add(L"aRvik.IniSection", value(Pool::IniName));
        add.Add(L"aRvik.IniKey", value(Pool::IniName));
        if (call.command == Command::IniWrite) add.Add(L"aRvik.Value", value(Pool::AnyText));
        Prepare(call, Value(call, L"aRvik.FileName"),
                DrawState(random, {{FileState::Missing, 20}, {FileState::Empty, 8}, {FileState::Ansi, 20},
                                   {FileState::Utf8Bom, 8}, {FileState::Utf16, 8}, {FileState::Utf16BigEndian, 4},
                                   {FileState::Utf16Odd, 4}, {FileState::BadUtf8, 5}, {FileState::Binary, 5},
                                   {FileState::Folder, 6}, {FileState::ReadOnly, 6}}));
        break;
    }
    case Command::ProcessList:
        add.Add(L"aRvik.Name", value(Pool::ProcessMask));
        break;
    case Command::ProcessEnd: {
        // Only the fuzzer's own child, its own process (refused) or an id
        // of no process: never another program's.
        static const unsigned targetWeights[] = {30, 20, 30, 5};
        static const AwaitTarget targets[] = {AwaitTarget::OwnChild, AwaitTarget::Self, AwaitTarget::NoProcess,
                                              AwaitTarget::Zero};
        call.target = targets[random.Weighted(targetWeights, 4)];
        call.childSleep = 2000;
        static const DWORD none[] = {4000000000u, 4294967292u, 2147483648u, 99999996u};
        call.noProcessId = none[random.Below(4)];
        add.Add(L"aRvik.ProcessId", [&](bool calm) {
            Drawn id = DrawProcessIdForm(random, context, calm);
            // An empty one now and then, so that a name alone is given.
            return random.Percent(30) ? Drawn{MakeText(L""), "empty"} : id;
        });
        add.Add(L"aRvik.Name", value(Pool::ProcessName));
        add.Add(L"aRvik.Kill", value(Pool::Switch));
        call.limit += 10000;
        break;
    }
    case Command::Http: {
        long long known = -1;
        bool calmTimeout = calm && random.Percent(80);
        Drawn timeout = DrawTimeout(random, context, known, calmTimeout);
        while (!add.Allowed(L"aRvik.Timeout", timeout.kind)) {
            if (!call.excluded) call.excluded = Excluded("aRvik.Http", "aRvik.Timeout", timeout.kind);
            ++call.redrawn;
            timeout = DrawTimeout(random, context, known, calmTimeout);
        }
        // The server may hold a request unanswered only where a short
        // time limit ends it.
        bool mayStall = known >= 0 && known <= 200;
        bool stalls = false;
        add.Add(L"aRvik.Url", [&](bool calm) { return DrawUrl(random, context, mayStall, stalls, calm); });
        add.Add(L"aRvik.Method", value(Pool::Method));
        add.Add(L"aRvik.Headers", value(Pool::Headers));
        add.Add(L"aRvik.Body", value(Pool::AnyText));
        add.Add(L"aRvik.Timeout", [&](bool) { return timeout; });
        // Files now and then: mostly the answer goes to Output, the body from Body.
        auto sometimes = [&](bool calm) {
            return random.Percent(75) ? Drawn{MakeText(L""), "empty"} : DrawFileName(random, context, true, calm);
        };
        add.Add(L"aRvik.OutFile", sometimes);
        add.Add(L"aRvik.BodyFile", sometimes);
        add.Add(L"aRvik.FileMode", value(Pool::TransferMode));
        // Its own limit (60 s when none), overrun by a sixteenth at most;
        // an answered request ends long before a limit of hours.
        long long own = known >= 0 ? known : 60000;
        if (own > 120000) own = 120000;
        call.limit += static_cast<DWORD>(own + own / 16);
        break;
    }
    case Command::JsonGet:
        add.Add(L"aRvik.JsonText", value(Pool::JsonText));
        add.Add(L"aRvik.JsonPath", value(Pool::JsonPath));
        break;
    case Command::RegWrite:
        add.Add(L"aRvik.RegType", value(Pool::RegType));
        add.Add(L"aRvik.Value", value(Pool::RegData));
        [[fallthrough]];  // the value's name, the key and the view
    case Command::RegRead:
    case Command::RegDelete:
        add.Add(L"aRvik.RegValue", value(Pool::RegValue));
        [[fallthrough]];
    case Command::RegList:
        add.Add(L"aRvik.RegKey", value(Pool::RegKey));
        add.Add(L"aRvik.RegView", value(Pool::RegView));
        break;
    }
    OneLargeValue(call);
    return call;
}

std::string Describe(const FuzzCall& call, const char* indent) {
    char seed[32];
    snprintf(seed, sizeof seed, "0x%016llx", static_cast<unsigned long long>(call.seed));
    std::string out = std::string(indent) + CommandName(call.command) + " (seed " + seed + ", limit " +
                      std::to_string(call.limit / 1000) + " s)\n";
    for (const Argument& argument : call.arguments)
        out += std::string(indent) + "  " + Utf8(argument.property) + " = " + Printable(*argument.value.text) +
               " [" + argument.value.kind + "]\n";
    for (const FilePrep& prep : call.files)
        out += std::string(indent) + "  before: " + Printable(prep.place) + " is " + StateName(prep.state) + "\n";
    static const char* const targets[] = {"", "a program aRvik.Execute left running", "a program of the fuzzer's",
                                          "the fuzzer's own process", "no process", "process id 0"};
    if (call.target != AwaitTarget::None)
        out += std::string(indent) + "  {pid}: " + targets[static_cast<int>(call.target)] +
               (call.target == AwaitTarget::KeptChild || call.target == AwaitTarget::OwnChild
                    ? ", running " + std::to_string(call.childSleep) + " ms"
                    : call.target == AwaitTarget::NoProcess ? " (" + std::to_string(call.noProcessId) + ")" : "") +
               "\n";
    if (call.log.pattern >= 0)
        out += std::string(indent) + "  the log: " + LogPatterns()[call.log.pattern].kind + ", " +
               MaxLogTexts()[call.log.maxText].kind + "\n";
    return out;
}
