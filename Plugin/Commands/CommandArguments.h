// CommandArguments: the aRvik.* values one command takes from its session,
// each named once where it is taken.
//
// Taking reads the value now (TextLater: when asked); Done, called when the
// command has succeeded, clears what was taken as its Clearing says. A
// command that fails never reaches Done, so its arguments stay for the
// script to mend and retry.
//   Always     cleared on success, given or not: a command's main
//              arguments, which a script sets for every run and then finds
//              empty, so that no run takes the one before's by mistake
//   WhenGiven  cleared only when given: an option a script did not set is
//              not written (clearing writes the empty text), so a script
//              that never uses it finds its session as it left it
//   Stays      read only (a name written back, an id that names a result)
#pragma once

#include <Buffer.h>
#include <TASession.h>
#include <str.h>

class CommandArguments {
public:
    enum Clearing { Always, WhenGiven, Stays };

    // A number read as every session number is read; text is what was
    // given, empty when nothing was (value is then 0); name is the
    // argument's, for the command's own checks and their texts.
    struct Number {
        const char* name = "";
        string text;
        double value = 0;
        bool Given() const { return !text.empty(); }
    };

    explicit CommandArguments(TAXDK::Tallivant::TASession& values) : values(values) {}
    CommandArguments(const CommandArguments&) = delete;
    CommandArguments& operator=(const CommandArguments&) = delete;

    string Text(const char* name, Clearing clearing = Always);
    // UTF-16, for texts the ANSI code page cannot hold.
    basic_text<wchar_t> WideText(const char* name, Clearing clearing = Always);
    // The host's own wide text, valid until the value changes: a long text
    // read once without a copy.
    const wchar_t* WideView(const char* name, Clearing clearing = Always);
    // On when any text is given.
    bool Switch(const char* name, Clearing clearing = WhenGiven);
    // A number; "Неверный формат числа: NAME=TEXT" when the text is none.
    Number Real(const char* name, Clearing clearing = WhenGiven);

    // An argument cleared on success as Always is, but read only if the
    // command asks (Text), so that a command that does not need it does
    // not read it.
    class Later {
    public:
        string Text() const { return values.GetString(name); }
        basic_text<wchar_t> WideText() const { return values.GetWideString(name); }

    private:
        friend class CommandArguments;
        Later(TAXDK::Tallivant::TASession& values, const char* name) : values(values), name(name) {}
        TAXDK::Tallivant::TASession& values;
        const char* name;
    };
    Later TextLater(const char* name);

    // Clears every argument taken, as its clearing says.
    void Done();

    // The session, for the command's results.
    TAXDK::Tallivant::TASession& Session() { return values; }

private:
    void Take(const char* name, Clearing clearing, bool given);

    TAXDK::Tallivant::TASession& values;
    Buffer<const char*> toClear;
};
