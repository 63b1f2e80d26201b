#include "Commands/CommandArguments.h"

void CommandArguments::Take(const char* name, Clearing clearing, bool given) {
    if (clearing == Always || (clearing == WhenGiven && given)) toClear.Append(&name, 1);
}

string CommandArguments::Text(const char* name, Clearing clearing) {
    string text = values.GetString(name);
    Take(name, clearing, !text.empty());
    return text;
}

basic_text<wchar_t> CommandArguments::WideText(const char* name, Clearing clearing) {
    basic_text<wchar_t> text = values.GetWideString(name);
    Take(name, clearing, text.length() != 0);
    return text;
}

const wchar_t* CommandArguments::WideView(const char* name, Clearing clearing) {
    const wchar_t* text = values.GetWideText(name);
    Take(name, clearing, *text != 0);
    return text;
}

bool CommandArguments::Switch(const char* name, Clearing clearing) { return !Text(name, clearing).empty(); }

CommandArguments::Number CommandArguments::Real(const char* name, Clearing clearing) {
    Number number;
    number.name = name;
    number.text = Text(name, clearing);
    if (number.Given()) number.value = values.GetReal(name);
    return number;
}

CommandArguments::Later CommandArguments::TextLater(const char* name) {
    Take(name, Always, false);
    return Later(values, name);
}

void CommandArguments::Done() {
    for (size_t i = 0; i < toClear.Size(); ++i) values.Clear(toClear.Data()[i]);
    toClear.Clear();
}
