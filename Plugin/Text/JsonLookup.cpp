#include "Text/JsonLookup.h"

#include "Text/RapidJson.h"

using namespace rapidjson;

namespace {

// The reader's events, followed along the path. Each open object or array
// is a level; a level is on the path when the steps before it led there.
// The value the whole path names is kept: a scalar as it comes, an object
// or array written anew, compact, by a writer that gets every event until
// it closes.
class Finder : public BaseReaderHandler<UTF8<>, Finder> {
public:
    Finder(const JsonPath& path, JsonLookup& found) : path_(path), found_(found), writer_(out_) {}

    bool tooDeep = false;
    bool found = false;

    bool Null() { return Scalar(JsonLookup::Null, "null", 4) && (!Writing() || writer_.Null()); }
    bool Bool(bool b) {
        return Scalar(JsonLookup::Bool, b ? "true" : "false", b ? 4 : 5) && (!Writing() || writer_.Bool(b));
    }
    bool RawNumber(const char* text, SizeType length, bool) {
        // Written as the document has it (the writer's RawNumber would quote it).
        return Scalar(JsonLookup::Number, text, length) && (!Writing() || writer_.RawValue(text, length, kNumberType));
    }
    bool String(const char* text, SizeType length, bool) {
        return Scalar(JsonLookup::String, text, length) && (!Writing() || writer_.String(text, length));
    }
    bool StartObject() { return Open(false) && (!Writing() || writer_.StartObject()); }
    bool Key(const char* text, SizeType length, bool) {
        Level& level = levels_[depth_ - 1];
        if (level.onPath) {
            const JsonPath::Step& step = path_[depth_ - 1];
            level.matches = !step.index && step.length == length && memcmp(path_.Name(step), text, length) == 0;
        }
        return !Writing() || writer_.Key(text, length);
    }
    bool EndObject(SizeType) { return Close(false); }
    bool StartArray() { return Open(true) && (!Writing() || writer_.StartArray()); }
    bool EndArray(SizeType) { return Close(true); }

private:
    struct Level {
        bool array;
        bool onPath;
        bool matches;  // an object's: the member now read is the step's
        size_t index;  // an array's: the element now read
    };

    bool Writing() const { return writing_; }

    // Whether the value that now begins is the one the whole path names;
    // onPath: whether the path goes on through it.
    bool Named(bool& onPath) {
        onPath = false;
        size_t steps = 0;
        if (depth_) {
            Level& parent = levels_[depth_ - 1];
            size_t index = parent.array ? parent.index++ : 0;
            if (!parent.onPath) return false;
            const JsonPath::Step& step = path_[depth_ - 1];
            if (parent.array ? !step.index || step.number != index : !parent.matches) return false;
            steps = depth_;
        }
        if (steps == path_.Size()) return !found;
        onPath = true;
        return false;
    }

    bool Scalar(JsonLookup::Kind kind, const char* text, size_t length) {
        if (writing_) return true;
        bool onPath;
        if (Named(onPath)) {
            found = true;
            found_.kind = kind;
            found_.value.Append(text, length);
        }
        return true;
    }

    bool Open(bool array) {
        if (depth_ == jsonDepthLimit) {
            tooDeep = true;
            return false;
        }
        bool onPath = false;
        if (!writing_ && Named(onPath)) {
            found = true;
            found_.kind = array ? JsonLookup::Array : JsonLookup::Object;
            writing_ = true;
            writingFrom_ = depth_;
        }
        // The level goes on along the path only when the next step fits it.
        if (onPath) onPath = path_[depth_].index == array;
        levels_[depth_++] = Level{array, onPath, false, 0};
        return true;
    }

    bool Close(bool array) {
        --depth_;
        if (!writing_) return true;
        if (!(array ? writer_.EndArray() : writer_.EndObject())) return false;
        if (depth_ == writingFrom_) {
            writing_ = false;
            found_.value.Append(out_.GetString(), out_.GetSize());
        }
        return true;
    }

    const JsonPath& path_;
    JsonLookup& found_;
    Level levels_[jsonDepthLimit];
    size_t depth_ = 0;
    bool writing_ = false;
    size_t writingFrom_ = 0;
    StringBuffer out_;
    Writer<StringBuffer> writer_;
};

const char* Reason(ParseErrorCode code) {
    switch (code) {
    case kParseErrorDocumentEmpty: return "документ пуст";
    case kParseErrorDocumentRootNotSingular: return "текст после значения";
    case kParseErrorValueInvalid: return "неверное значение";
    case kParseErrorObjectMissName: return "нет имени члена объекта";
    case kParseErrorObjectMissColon: return "нет двоеточия после имени";
    case kParseErrorObjectMissCommaOrCurlyBracket: return "нет запятой или } в объекте";
    case kParseErrorArrayMissCommaOrSquareBracket: return "нет запятой или ] в массиве";
    case kParseErrorStringUnicodeEscapeInvalidHex: return "неверная последовательность \\u";
    case kParseErrorStringUnicodeSurrogateInvalid: return "неверная суррогатная пара";
    case kParseErrorStringEscapeInvalid: return "неверная последовательность с \\";
    case kParseErrorStringMissQuotationMark: return "строка без закрывающей кавычки";
    case kParseErrorStringInvalidEncoding: return "неверная кодировка строки";
    case kParseErrorNumberTooBig: return "число слишком велико";
    case kParseErrorNumberMissFraction: return "нет цифр после точки";
    case kParseErrorNumberMissExponent: return "нет цифр в порядке числа";
    default: return "синтаксическая ошибка";
    }
}

}  // namespace

JsonLookup::JsonLookup(const char* text, const JsonPath& path) {
    Finder find(path, *this);
    StringStream bytes(text);
    Reader reader;
    ParseResult result = reader.Parse<kParseIterativeFlag | kParseNumbersAsStringsFlag | kParseValidateEncodingFlag>(
        bytes, find);
    bool tooDeep = find.tooDeep, there = find.found;
    if (result.IsError()) {
        value.Clear();
        offset = result.Offset();
        outcome = tooDeep ? TooDeep : Malformed;
        reason = Reason(result.Code());
        return;
    }
    outcome = there ? Found : Absent;
}

const char* JsonKindName(JsonLookup::Kind kind) {
    static const char* const names[] = {"string", "number", "bool", "null", "object", "array"};
    return names[kind];
}
