#include "Commands/CommandsTest.h"

namespace {

struct ExecuteTest : CommandTest {
    std::string child = ExeFolder() + "commands_child.exe";

    std::string Line(const std::string& args) { return "\"" + child + "\" " + args; }
    // Runs aRvik.Execute with the given arguments; must succeed.
    void Run(const std::string& command, const char* wait, const char* hide = "") {
        Set(L"aRvik.Command", command);
        Set(L"aRvik.Wait", wait);
        Set(L"aRvik.Hide", hide);
        ASSERT_EQ(S_OK, Command(L"aRvik.Execute"));
        for (const wchar_t* name : {L"aRvik.Command", L"aRvik.Wait", L"aRvik.Hide"}) {
            EXPECT_TRUE(session->Has(name));
            EXPECT_EQ("", Get(name)) << Narrow(name);
        }
    }
    // The report line "key=value" of the child's report file.
    static std::string Reported(const std::string& report, const char* key) {
        std::string content = ReadWhole(report), prefix = std::string(key) + "=";
        size_t at = content.find(prefix);
        if (at == std::string::npos) return "<none>";
        at += prefix.size();
        return content.substr(at, content.find('\n', at) - at);
    }
};

}  // namespace

TEST_F(ExecuteTest, WaitingGivesTheExitCodeAsUnsignedText) {
    Run(Line("-1"), "0");  // "0" counts as set: it waits
    EXPECT_EQ("4294967295", Get(L"aRvik.Result"));
    Run(Line("0"), "yes");
    EXPECT_EQ("0", Get(L"aRvik.Result"));
    Run(Line("258"), "no");
    EXPECT_EQ("258", Get(L"aRvik.Result"));
}

TEST_F(ExecuteTest, WithoutWaitingTheResultIsLeftEmpty) {
    Set(L"aRvik.Result", "17");
    Run(Line("5"), "");
    EXPECT_TRUE(session->Has(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.Result"));
    Set(L"aRvik.Result", "18");
    Run(Line("6"), "");
    EXPECT_EQ("", Get(L"aRvik.Result"));
}

TEST_F(ExecuteTest, EmptyCommandTouchesNothing) {
    Set(L"aRvik.Command", "");
    Set(L"aRvik.Wait", "1");
    Set(L"aRvik.Hide", "1");
    Set(L"aRvik.Result", "42");
    ASSERT_EQ(S_OK, Command(L"aRvik.Execute"));
    EXPECT_EQ("1", Get(L"aRvik.Wait"));
    EXPECT_EQ("1", Get(L"aRvik.Hide"));
    EXPECT_EQ("42", Get(L"aRvik.Result"));
}

TEST_F(ExecuteTest, ChildSeesHidingEnvironmentAndCurrentFolder) {
    std::string report = scratch + "report.txt";
    Set(L"aRvik.Name", "ARVIK_CHILD_VALUE");
    Set(L"aRvik.Value", "из родителя");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    char before[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, before);
    std::string here = scratch.folder.substr(0, scratch.folder.size() - 1);
    ASSERT_TRUE(SetCurrentDirectoryA(here.c_str()));

    Run(Line("0 \"" + report + "\" ARVIK_CHILD_VALUE"), "1", "no");
    SetCurrentDirectoryA(before);
    EXPECT_EQ("1", Reported(report, "flags"));  // STARTF_USESHOWWINDOW
    EXPECT_EQ("0", Reported(report, "show"));   // SW_HIDE
    EXPECT_EQ("из родителя", Reported(report, "env"));
    EXPECT_EQ(here, Reported(report, "cwd"));

    Set(L"aRvik.Name", "ARVIK_CHILD_VALUE");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));  // an empty value removes it
    Run(Line("0 \"" + report + "\" ARVIK_CHILD_VALUE"), "1");
    EXPECT_EQ(0, std::stoi(Reported(report, "flags")) & STARTF_USESHOWWINDOW);
    EXPECT_EQ("", Reported(report, "env"));
}

// Characters the ANSI page lacks become "?", never a look-alike: a
// fullwidth backslash must not turn into a folder step of a later %VAR%
// in a file name, nor fullwidth letters into another variable's name.
TEST_F(ExecuteTest, EnvironmentTakesNoLookAlikes) {
    session->Set(L"aRvik.Name", L"ARVIK_LOOK_ALIKE");
    session->Set(L"aRvik.Value", L"..\uFF3C..\uFF3Cx \u0416");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    char got[64] = "sentinel";
    EXPECT_EQ(9u, GetEnvironmentVariableA("ARVIK_LOOK_ALIKE", got, sizeof got));
    EXPECT_STREQ("..?..?x \xC6", got);

    SetEnvironmentVariableA("ARVIK_LOOK", "untouched");
    session->Set(L"aRvik.Name", L"ARVIK_\uFF2C\uFF2F\uFF2F\uFF2B");  // fullwidth LOOK
    session->Set(L"aRvik.Value", L"changed");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    EXPECT_EQ(9u, GetEnvironmentVariableA("ARVIK_LOOK", got, sizeof got));
    EXPECT_STREQ("untouched", got);
    session->Set(L"aRvik.Name", L"ARVIK_\uFF2C\uFF2F\uFF2F\uFF2B");
    ASSERT_EQ(S_OK, Command(L"aRvik.GetEnv"));
    EXPECT_EQ("changed", Get(L"aRvik.Value"));  // the "?" name set just before

    SetEnvironmentVariableA("ARVIK_LOOK", nullptr);
    SetEnvironmentVariableA("ARVIK_????", nullptr);
    session->Set(L"aRvik.Name", L"ARVIK_LOOK_ALIKE");
    session->Set(L"aRvik.Value", L"");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));  // no value: removed
    EXPECT_EQ(0u, GetEnvironmentVariableA("ARVIK_LOOK_ALIKE", got, sizeof got));
}

TEST_F(ExecuteTest, ProgramThatCannotStartKeepsTheArguments) {
    std::string missing = "\"" + scratch.folder + "no_such_program.exe\" 1";
    Set(L"aRvik.Command", missing);
    Set(L"aRvik.Wait", "1");
    Set(L"aRvik.Hide", "h");
    Set(L"aRvik.Result", "old");
    Record record;
    ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.Execute", &record));
    EXPECT_EQ(59999, record.wCode);
    EXPECT_STREQ(L"Windows system call error 2 (00000002) at \"Plugin/SessionExtender\":246",
                 record.bstrDescription);
    EXPECT_EQ(missing, Get(L"aRvik.Command"));
    EXPECT_EQ("1", Get(L"aRvik.Wait"));
    EXPECT_EQ("h", Get(L"aRvik.Hide"));
    EXPECT_EQ("", Get(L"aRvik.Result"));  // cleared before the start
}
