// The Group Policy template (installer/PolicyDefinitions) read by the
// system's XML parser, and each policy it defines written where it says,
// for the computer and for the user: the plug-in must obey every one, so
// the template and the code cannot drift apart. Its two languages must
// hold every text and presentation it names, and its number ranges are the
// table of limits the plug-in and the installers share.
#include <msxml2.h>

#include <Settings/ControlSwitch.h>
#include <Settings/FirstSettings.h>
#include <SettingLimits.h>

#include <functional>
#include <map>
#include <set>

#include "Settings/PolicyTest.h"
#include "common/Files.h"

namespace {

// A file of the template beside the test, loaded by msxml.
co<IXMLDOMDocument> Load(const char* name) {
    const std::string file = ExeFolder() + "PolicyDefinitions\\" + name;
    co<IXMLDOMDocument> document;
    CLSID parser;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &parser)) ||
        FAILED(CoCreateInstance(parser, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document.Out())))) {
        ADD_FAILURE() << "no XML parser";
        return document;
    }
    document->put_async(VARIANT_FALSE);
    VARIANT path;
    V_VT(&path) = VT_BSTR;
    V_BSTR(&path) = SysAllocString(Wide(file).c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->load(path, &loaded);
    VariantClear(&path);
    if (loaded != VARIANT_TRUE) {
        co<IXMLDOMParseError> error;
        BSTR reason = nullptr;
        if (SUCCEEDED(document->get_parseError(error.Out())) && error) error->get_reason(&reason);
        ADD_FAILURE() << file << ": " << Narrow(reason);
        SysFreeString(reason);
        document.Release();
    }
    return document;
}

// The elements named tag below node, in document order.
template <class Node>
std::vector<co<IXMLDOMElement>> Elements(Node* node, const wchar_t* tag) {
    std::vector<co<IXMLDOMElement>> found;
    co<IXMLDOMNodeList> list;
    BSTR name = SysAllocString(tag);
    HRESULT hr = node->getElementsByTagName(name, list.Out());
    SysFreeString(name);
    long count = 0;
    if (FAILED(hr) || !list || FAILED(list->get_length(&count))) return found;
    for (long i = 0; i < count; ++i) {
        co<IXMLDOMNode> item;
        co<IXMLDOMElement> element;
        if (SUCCEEDED(list->get_item(i, item.Out())) && item &&
            SUCCEEDED(item->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.Out()))))
            found.push_back(element);
    }
    return found;
}

// The elements right below element (an enum's items are below its own).
std::vector<co<IXMLDOMElement>> Children(IXMLDOMElement* element) {
    std::vector<co<IXMLDOMElement>> found;
    co<IXMLDOMNodeList> list;
    long count = 0;
    if (FAILED(element->get_childNodes(list.Out())) || !list || FAILED(list->get_length(&count))) return found;
    for (long i = 0; i < count; ++i) {
        co<IXMLDOMNode> item;
        co<IXMLDOMElement> child;
        if (SUCCEEDED(list->get_item(i, item.Out())) && item &&
            SUCCEEDED(item->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(child.Out()))))
            found.push_back(child);
    }
    return found;
}

// The attribute's text; empty when it is missing.
std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
    BSTR text = SysAllocString(name);
    VARIANT value;
    VariantInit(&value);
    element->getAttribute(text, &value);
    SysFreeString(text);
    std::wstring result = V_VT(&value) == VT_BSTR && V_BSTR(&value) ? V_BSTR(&value) : L"";
    VariantClear(&value);
    return result;
}

std::wstring Tag(IXMLDOMElement* element) {
    BSTR name = nullptr;
    element->get_tagName(&name);
    std::wstring tag = name ? name : L"";
    SysFreeString(name);
    return tag;
}

// The element's text.
std::wstring Text(IXMLDOMElement* element) {
    BSTR text = nullptr;
    element->get_text(&text);
    std::wstring result = text ? text : L"";
    SysFreeString(text);
    return result;
}

// The one value element of a policy: its tag and attributes; an enum's
// texts (its items' <string> values) in their order.
struct Setting {
    std::wstring tag, id, key, valueName;
    bool expandable = false, asText = false, explicitValue = false;
    // An enum's item texts, a boolean's true and false numbers, in order.
    std::vector<std::wstring> values;
};

}  // namespace

TEST_F(PolicyTest, EveryPolicyOfTheTemplateIsObeyedForTheComputerAndTheUser) {
    co<IXMLDOMDocument> admx = Load("aRvik.admx");
    ASSERT_TRUE(admx);
    // Kelmir, then Tallivant, then aRvik: the category of every policy.
    std::map<std::wstring, std::wstring> parents;
    for (const auto& category : Elements(admx.get(), L"category")) {
        auto parent = Elements(category.get(), L"parentCategory");
        parents[Attribute(category.get(), L"name")] = parent.empty() ? L"" : Attribute(parent[0].get(), L"ref");
    }
    EXPECT_EQ((std::map<std::wstring, std::wstring>{{L"Kelmir", L""}, {L"Tallivant", L"Kelmir"},
                                                    {L"aRvik", L"Tallivant"}}),
              parents);

    // What each setting must do once written as the template says.
    std::map<std::wstring, std::function<void(HKEY, const Setting&)>> checks;
    checks[L"ScriptLogPath"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"text", s.tag);
        const std::string file = scratch + "policy.log";
        Put(root, s.key, s.valueName, Wide(file), s.expandable ? REG_EXPAND_SZ : REG_SZ);
        Log("by policy");
        EXPECT_EQ(Texts{"by policy\r\n"}, LogEntries(file));
    };
    checks[L"MaxLogText"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"decimal", s.tag);
        const std::string file = scratch + "cut.log";
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, file);
        s.asText ? Put(root, s.key, s.valueName, L"4") : Put(root, s.key, s.valueName, 4);
        Log("123456");
        EXPECT_EQ(Texts{"[6 байт]\r\n1234\r\n...\r\n"}, LogEntries(file));
    };
    checks[L"LogKeepDays"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"decimal", s.tag);
        EXPECT_FALSE(s.asText);  // a text would keep every file
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, scratch + "K *.txt");
        const std::string old = scratch + ("K " + DaysAgo(7) + ".txt").c_str();
        WriteWhole(old, "x");
        Put(root, s.key, s.valueName, 7);
        Log("keeps 7 days");
        EXPECT_FALSE(Exists(old));
    };
    checks[L"LogFormat"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"enum", s.tag);
        ASSERT_EQ((std::vector<std::wstring>{L"text", L"json"}), s.values);
        const std::string file = scratch + "format.log";
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, file);
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_FORMAT, "xml");  // the policy's decides
        Put(root, s.key, s.valueName, s.values[0]);
        Log("as text");
        Put(root, s.key, s.valueName, s.values[1]);
        Log("as json");
        // The JSON line follows the text entry, which runs up to a line with a stamp.
        Texts entries = LogEntries(file);
        ASSERT_EQ(1u, entries.size());
        const std::string head = "as text\r\n{\"time\":\"", tail = ",\"text\":\"as json\"}\r\n";
        EXPECT_EQ(head, entries[0].substr(0, head.size()));
        ASSERT_GE(entries[0].size(), tail.size());
        EXPECT_EQ(tail, entries[0].substr(entries[0].size() - tail.size()));
    };
    // Spooled entries reach the file from the delivery thread.
    auto spooled = [](const std::string& file, size_t count) {
        ULONGLONG end = GetTickCount64() + 30000;
        while (LogEntries(file).size() < count && GetTickCount64() < end) Sleep(20);
        return LogEntries(file);
    };
    checks[L"LogDelivery"] = [this, spooled](HKEY root, const Setting& s) {
        EXPECT_EQ(L"enum", s.tag);
        ASSERT_EQ((std::vector<std::wstring>{L"direct", L"spooled"}), s.values);
        const std::string file = scratch + "delivery.log";
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, file);
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_DELIVERY, "later");  // the policy's decides
        Put(root, s.key, s.valueName, s.values[1]);
        Log("spooled");
        EXPECT_EQ(Texts{"spooled\r\n"}, spooled(file, 1));
        Put(root, s.key, s.valueName, s.values[0]);
        Log("direct");
        EXPECT_EQ((Texts{"spooled\r\n", "direct\r\n"}), LogEntries(file));
    };
    checks[L"LogSpoolMiB"] = [this, spooled](HKEY root, const Setting& s) {
        EXPECT_EQ(L"decimal", s.tag);
        EXPECT_FALSE(s.asText);
        const std::string file = scratch + "spool.log";
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, file);
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_DELIVERY, "spooled");
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_SPOOL_MIB, DWORD(0));  // refused but for the policy
        Put(root, s.key, s.valueName, 8);
        Log("bounded");
        EXPECT_EQ(Texts{"bounded\r\n"}, spooled(file, 1));
    };
    checks[L"LogCollector"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"text", s.tag);
        EXPECT_FALSE(s.expandable);
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, scratch + "collector.log");
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_COLLECTOR, "ftp://user");
        Put(root, s.key, s.valueName, L"ftp://policy");
        // A value no collector has is refused by its name: the policy's.
        Set(L"aRvik.LogText", "refused");
        Record record;
        EXPECT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.LogWrite", &record));
        std::string reason = Narrow(record.bstrDescription);
        EXPECT_NE(std::string::npos, reason.find("\"Log Collector\"=ftp://policy")) << reason;
    };
    checks[L"SessionProps"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"list", s.tag);
        EXPECT_TRUE(s.explicitValue);  // the names are the operator's
        Put(root, s.key, L"Отдел", L"Касса №2");
        StartSession();
        EXPECT_EQ("Касса №2", Get(L"Отдел"));
    };

    checks[L"AllowedCommands"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"multiText", s.tag);
        Put(root, s.key, s.valueName, std::wstring(L"aRvik.GetEnv\0aRvik.UpdateProps", 30), REG_MULTI_SZ);
        Set(L"aRvik.Name", "PATH");
        EXPECT_EQ(S_OK, Command(L"aRvik.GetEnv"));
        EXPECT_EQ(S_OK, Command(L"aRvik.UpdateProps"));
        Set(L"aRvik.Name", "ARVIK_TEMPLATE_TEST");
        Record record;
        EXPECT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.PutEnv", &record));
        EXPECT_EQ(Wide("Команда aRvik.PutEnv запрещена администратором"), std::wstring(record.bstrDescription));
    };
    checks[L"ControlDisabled"] = [](HKEY root, const Setting& s) {
        EXPECT_EQ(L"boolean", s.tag);
        ASSERT_EQ((std::vector<std::wstring>{L"1", L"0"}), s.values);
        Put(root, s.key, s.valueName, 1);
        EXPECT_TRUE(ControlPageHidden());
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, CONTROL_DISABLED, 1);
        Put(root, s.key, s.valueName, DWORD{0});
        EXPECT_FALSE(ControlPageHidden());
    };
    checks[L"UnknownCommands"] = [this](HKEY root, const Setting& s) {
        EXPECT_EQ(L"enum", s.tag);
        ASSERT_EQ((std::vector<std::wstring>{L"ignore", L"fail"}), s.values);
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, "fail");
        Put(root, s.key, s.valueName, s.values[0]);
        EXPECT_EQ(S_OK, Command(L"aRvik.Unknown"));
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, UNKNOWN_COMMANDS, "ignore");
        Put(root, s.key, s.valueName, s.values[1]);
        // Seen once the system's report of the change came.
        const std::string unknown = "Неизвестная команда: aRvik.Unknown";
        EXPECT_EQ(unknown, Eventually(unknown, [this] {
                      Record record;
                      HRESULT hr = Command(L"aRvik.Unknown", &record);
                      return hr == DISP_E_EXCEPTION ? Narrow(record.bstrDescription) : std::to_string(hr);
                  }));
    };

    std::set<std::wstring> defined;
    for (const auto& policy : Elements(admx.get(), L"policy")) {
        const std::wstring name = Attribute(policy.get(), L"name");
        defined.insert(name);
        SCOPED_TRACE(Narrow(name.c_str()));
        EXPECT_EQ(L"Both", Attribute(policy.get(), L"class"));
        auto category = Elements(policy.get(), L"parentCategory");
        ASSERT_EQ(1u, category.size());
        EXPECT_EQ(L"aRvik", Attribute(category[0].get(), L"ref"));
        auto elements = Elements(policy.get(), L"elements");
        ASSERT_EQ(1u, elements.size());
        auto values = Children(elements[0].get());
        ASSERT_EQ(1u, values.size());
        IXMLDOMElement* value = values[0].get();
        Setting setting;
        setting.tag = Tag(value);
        setting.id = Attribute(value, L"id");
        setting.key = Attribute(value, L"key");
        if (setting.key.empty()) setting.key = Attribute(policy.get(), L"key");
        setting.valueName = Attribute(value, L"valueName");
        setting.expandable = Attribute(value, L"expandable") == L"true";
        setting.asText = Attribute(value, L"storeAsText") == L"true";
        setting.explicitValue = Attribute(value, L"explicitValue") == L"true";
        for (const auto& item : Elements(value, L"item"))
            for (const auto& text : Elements(item.get(), L"string")) setting.values.push_back(Text(text.get()));
        for (const wchar_t* state : {L"trueValue", L"falseValue"})
            for (const auto& stateValue : Elements(value, state))
                for (const auto& number : Elements(stateValue.get(), L"decimal"))
                    setting.values.push_back(Attribute(number.get(), L"value"));
        auto check = checks.find(name);
        if (check == checks.end()) {
            ADD_FAILURE() << "a policy that no check covers";
            continue;
        }
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            SCOPED_TRACE(root == HKEY_LOCAL_MACHINE ? "computer" : "user");
            // A fresh extender and a fresh start for each.
            extender = co<ITallivantSessionExtender>(new Plugin::SessionExtender);
            RemoveTree(scratch.folder);
            CreateDirectoryA(scratch.folder.c_str(), nullptr);
            for (HKEY clean : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RemovePolicies(clean);
            RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY);
            check->second(root, setting);
        }
    }
    EXPECT_EQ((std::set<std::wstring>{L"ScriptLogPath", L"MaxLogText", L"LogKeepDays", L"LogFormat", L"LogDelivery",
                                      L"LogSpoolMiB", L"LogCollector", L"SessionProps", L"AllowedCommands",
                                      L"ControlDisabled", L"UnknownCommands"}),
              defined);
}

// Every $(string.ID) and $(presentation.ID) of the template is in both
// languages, and each presentation shows exactly its policy's values.
TEST(PolicyTemplate, BothLanguagesHoldEveryTextAndPresentationItNames) {
    co<IXMLDOMDocument> admx = Load("aRvik.admx");
    ASSERT_TRUE(admx);
    std::set<std::wstring> strings;
    std::map<std::wstring, std::set<std::wstring>> presentations;  // id: the value ids it shows
    auto reference = [](const std::wstring& text, const wchar_t* kind) {
        std::wstring head = std::wstring(L"$(") + kind + L".";
        return text.compare(0, head.size(), head) == 0 && text.back() == L')'
                   ? text.substr(head.size(), text.size() - head.size() - 1)
                   : std::wstring();
    };
    for (const auto& element : Elements(admx.get(), L"*"))
        for (const wchar_t* attribute : {L"displayName", L"explainText"}) {
            std::wstring id = reference(Attribute(element.get(), attribute), L"string");
            if (!id.empty()) strings.insert(id);
        }
    for (const auto& policy : Elements(admx.get(), L"policy")) {
        std::set<std::wstring>& ids = presentations[reference(Attribute(policy.get(), L"presentation"), L"presentation")];
        for (const auto& elements : Elements(policy.get(), L"elements"))
            for (const auto& value : Children(elements.get())) ids.insert(Attribute(value.get(), L"id"));
    }
    ASSERT_EQ(33u, strings.size());
    ASSERT_EQ(11u, presentations.size());
    for (const char* language : {"ru-RU\\aRvik.adml", "en-US\\aRvik.adml"}) {
        SCOPED_TRACE(language);
        co<IXMLDOMDocument> adml = Load(language);
        ASSERT_TRUE(adml);
        std::set<std::wstring> texts;
        for (const auto& text : Elements(adml.get(), L"string")) texts.insert(Attribute(text.get(), L"id"));
        EXPECT_EQ(strings, texts);
        std::map<std::wstring, std::set<std::wstring>> shown;
        for (const auto& presentation : Elements(adml.get(), L"presentation")) {
            std::set<std::wstring>& ids = shown[Attribute(presentation.get(), L"id")];
            for (const auto& control : Elements(presentation.get(), L"*")) {
                std::wstring id = Attribute(control.get(), L"refId");
                if (!id.empty()) ids.insert(id);
            }
        }
        EXPECT_EQ(presentations, shown);
    }
}

// The template cannot include the table of limits (TALib/SettingLimits.h)
// that the plug-in, the setup and the MSI package take their ranges from:
// its decimal elements must say the same.
TEST(PolicyTemplate, NumberRangesAreTheTableOfLimits) {
    co<IXMLDOMDocument> admx = Load("aRvik.admx");
    ASSERT_TRUE(admx);
    std::map<std::wstring, std::wstring> ranges;  // value name: "min-max"
    for (const auto& decimal : Elements(admx.get(), L"decimal"))
        if (!Attribute(decimal.get(), L"valueName").empty())  // not a boolean's true or false value
            ranges[Attribute(decimal.get(), L"valueName")] =
                Attribute(decimal.get(), L"minValue") + L"-" + Attribute(decimal.get(), L"maxValue");
    EXPECT_EQ((std::map<std::wstring, std::wstring>{{L"Max LogText", L"0-" + std::to_wstring(MAX_LOG_TEXT_HIGHEST)},
                                                    {L"Log Keep Days", L"0-" + std::to_wstring(LOG_KEEP_DAYS_HIGHEST)},
                                                    {L"Log Spool MiB", L"1-" + std::to_wstring(LOG_SPOOL_MIB_HIGHEST)}}),
              ranges);
    EXPECT_EQ(L"0-4294967295", ranges[L"Max LogText"]);  // all a REG_DWORD holds
}

// More "Log Keep Days" than the table's top count as the top: the log of
// the top's day goes, the day after stays; so at a user's first start.
TEST_F(PolicyTest, KeepDaysAboveTheTopCountAsTheTop) {
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, SCRIPT_LOG_PATH, scratch + "K *.txt");
    const std::string top = scratch + ("K " + DaysAgo(LOG_KEEP_DAYS_HIGHEST) + ".txt").c_str();
    const std::string after = scratch + ("K " + DaysAgo(LOG_KEEP_DAYS_HIGHEST - 1) + ".txt").c_str();
    WriteWhole(top, "x");
    WriteWhole(after, "x");
    Put(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_KEEP_DAYS, 0xFFFFFFFF);
    Log("a hundred years");
    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(Exists(after));

    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY));
    Put(HKEY_LOCAL_MACHINE, DEFAULTS_KEY, LOG_KEEP_DAYS, "36501");
    WriteFirstSettings();
    EXPECT_EQ("DWORD:36500", Stored(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_KEEP_DAYS));
}
