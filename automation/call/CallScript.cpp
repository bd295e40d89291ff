#include "automation/call/CallScript.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A cursor over the text of one step.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void SkipBlanks()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
    bool Take(char c)
    {
        SkipBlanks();
        if (Peek() != c) return false;
        ++at_;
        return true;
    }

    std::optional<Variant> Value(std::string& error, int depth = 0);

private:
    std::optional<Variant> Quoted(std::string& error);
    std::optional<Variant> List(std::string& error, int depth);
    std::string_view Word();

    std::string_view text_;
    std::size_t at_ = 0;
};

constexpr std::string_view kWordStops = ",()[]\"";

std::optional<std::int64_t> Integer(std::string_view word)
{
    bool negative = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), magnitude, base);
    if (word.empty() || ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
    if (negative) {
        if (magnitude > (std::uint64_t{1} << 63)) return std::nullopt;
        return static_cast<std::int64_t>(0 - magnitude);
    }
    return static_cast<std::int64_t>(magnitude);
}

std::optional<double> Real(std::string_view word)
{
    if (word.empty() || word.find_first_not_of("+-.0123456789eE") != std::string_view::npos) return std::nullopt;
    std::string text(word);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

std::optional<Variant> Number(std::string_view word)
{
    if (const auto integer = Integer(word)) {
        if (*integer >= INT32_MIN && *integer <= INT32_MAX) return Variant::I4(static_cast<std::int32_t>(*integer));
        return Variant::I8(*integer);
    }
    if (const auto real = Real(word)) return Variant::R8(*real);
    return std::nullopt;
}

// "i2:5", "r4:1.5", ...: a number of the named type, range-checked.
std::optional<Variant> Typed(std::string_view prefix, std::string_view word)
{
    struct Kind {
        std::string_view name;
        VarType type;
        std::int64_t low;
        std::uint64_t high;
    };
    static constexpr Kind kKinds[] = {
        {"i1", VT_I1, INT8_MIN, INT8_MAX},
        {"ui1", VT_UI1, 0, UINT8_MAX},
        {"i2", VT_I2, INT16_MIN, INT16_MAX},
        {"ui2", VT_UI2, 0, UINT16_MAX},
        {"i4", VT_I4, INT32_MIN, INT32_MAX},
        {"ui4", VT_UI4, 0, UINT32_MAX},
        {"i8", VT_I8, INT64_MIN, INT64_MAX},
        {"ui8", VT_UI8, 0, UINT64_MAX},
    };
    if (prefix == "r4" || prefix == "r8") {
        const auto real = Real(word);
        if (!real) return std::nullopt;
        return prefix == "r4" ? Variant::R4(static_cast<float>(*real)) : Variant::R8(*real);
    }
    for (const Kind& kind : kKinds) {
        if (prefix != kind.name) continue;
        if (kind.type == VT_UI8) {
            std::uint64_t value = 0;
            const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, 10);
            if (word.empty() || ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
            return Variant::UI8(value);
        }
        const auto value = Integer(word);
        if (!value || *value < kind.low || (*value > 0 && static_cast<std::uint64_t>(*value) > kind.high)) return std::nullopt;
        return Variant::FromBits(kind.type, static_cast<std::uint64_t>(*value));
    }
    return std::nullopt;
}

std::string_view Reader::Word()
{
    SkipBlanks();
    const std::size_t start = at_;
    while (!AtEnd() && kWordStops.find(Peek()) == std::string_view::npos) ++at_;
    std::string_view word = text_.substr(start, at_ - start);
    while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back()))) word.remove_suffix(1);
    return word;
}

std::optional<Variant> Reader::Quoted(std::string& error)
{
    ++at_;  // the opening quote
    std::string bytes;
    while (!AtEnd() && Peek() != '"') {
        char c = text_[at_++];
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (AtEnd()) break;
        c = text_[at_++];
        switch (c) {
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case 'x': {
            unsigned value = 0;
            const char* first = text_.data() + at_;
            const char* last = first + std::min<std::size_t>(2, text_.size() - at_);
            const auto [end, ec] = std::from_chars(first, last, value, 16);
            if (ec != std::errc() || end != last || last - first != 2) {
                error = "\\x needs two hexadecimal digits";
                return std::nullopt;
            }
            at_ += 2;
            bytes += static_cast<char>(value);
            break;
        }
        default: bytes += c; break;  // \\ and \" and any other character as it is
        }
    }
    if (AtEnd()) {
        error = "unterminated text";
        return std::nullopt;
    }
    ++at_;  // the closing quote
    return Variant::Bstr(std::move(bytes));
}

std::optional<Variant> Reader::List(std::string& error, int depth)
{
    ++at_;  // '['
    std::vector<Variant> elements;
    if (!Take(']')) {
        do {
            auto element = Value(error, depth + 1);
            if (!element) return std::nullopt;
            elements.push_back(std::move(*element));
        } while (Take(','));
        if (!Take(']')) {
            error = "expected ',' or ']'";
            return std::nullopt;
        }
    }
    bool allI4 = true;
    bool allNumbers = true;
    for (const Variant& element : elements) {
        allI4 = allI4 && element.vt() == VT_I4;
        allNumbers = allNumbers && (element.vt() == VT_I4 || element.vt() == VT_I8 || element.vt() == VT_R8);
    }
    if (allI4) return Variant::Array(*SafeArray::FromElements(VT_I4, std::move(elements)));
    if (allNumbers) {
        for (Variant& element : elements)
            if (element.vt() != VT_R8) element = Variant::R8(element.vt() == VT_I8 ? static_cast<double>(element.i8()) : element.i4());
        return Variant::Array(*SafeArray::FromElements(VT_R8, std::move(elements)));
    }
    auto array = SafeArray::FromElements(VT_VARIANT, std::move(elements));
    if (!array) {
        error = "too many elements";
        return std::nullopt;
    }
    return Variant::Array(std::move(*array));
}

std::optional<Variant> Reader::Value(std::string& error, int depth)
{
    if (depth > 16) {
        error = "arrays nested too deeply";
        return std::nullopt;
    }
    SkipBlanks();
    if (Peek() == '"') return Quoted(error);
    if (Peek() == '[') return List(error, depth);
    const std::string_view word = Word();
    if (word.empty()) {
        error = "missing value";
        return std::nullopt;
    }
    if (word == "true" || word == "false") return Variant::Bool(word == "true");
    if (word == "null") return Variant::Null();
    if (word == "empty") return Variant();
    if (const auto colon = word.find(':'); colon != std::string_view::npos && colon <= 3) {
        std::string prefix(word.substr(0, colon));
        for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (const auto typed = Typed(prefix, word.substr(colon + 1))) return typed;
        if (prefix.size() >= 2 && (prefix[0] == 'i' || prefix[0] == 'u' || prefix[0] == 'r')) {
            error = "not a " + prefix + " value: " + std::string(word);
            return std::nullopt;
        }
    }
    if (const auto number = Number(word)) return number;
    return Variant::Bstr(std::string(word));
}

bool IsMemberName(std::string_view name)
{
    if (name.empty()) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

std::string Real(double value)
{
    std::array<char, 64> text{};
    const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? std::string(text.data(), end) : std::string("?");
}

std::string QuotedText(const std::string& bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string FormatScalar(const Variant& value, bool inArray)
{
    switch (value.vt()) {
    case VT_EMPTY: return inArray ? "empty" : "";
    case VT_NULL: return "null";
    case VT_I1: return std::to_string(value.i1());
    case VT_UI1: return std::to_string(value.ui1());
    case VT_I2: return std::to_string(value.i2());
    case VT_UI2: return std::to_string(value.ui2());
    case VT_I4:
    case VT_INT: return std::to_string(value.i4());
    case VT_UI4:
    case VT_UINT: return std::to_string(value.ui4());
    case VT_I8: return std::to_string(value.i8());
    case VT_UI8: return std::to_string(value.ui8());
    case VT_R4: return Real(static_cast<double>(value.r4()));
    case VT_R8:
    case VT_DATE: return Real(value.r8());
    case VT_CY: {
        const std::int64_t units = value.cy();
        const std::uint64_t magnitude = units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
        char text[40];
        std::snprintf(text, sizeof text, "%s%llu.%04llu", units < 0 ? "-" : "",
                      static_cast<unsigned long long>(magnitude / 10000), static_cast<unsigned long long>(magnitude % 10000));
        return text;
    }
    case VT_BOOL: return value.boolVal() ? "true" : "false";
    case VT_ERROR: return "error " + std::to_string(value.scode());
    case VT_BSTR: return inArray ? QuotedText(value.bstr()) : value.bstr();
    default: return "<" + VarTypeName(value.vt()) + ">";
    }
}

// Elements [first, first + count of this dimension's block) nested by dimension.
std::string FormatDims(const SafeArray& array, std::size_t dim, std::size_t& next)
{
    std::string out = "[";
    const std::uint32_t count = array.dims()[dim].count;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0) out += ", ";
        if (dim + 1 < array.dimCount()) {
            out += FormatDims(array, dim + 1, next);
        } else {
            const Variant& element = array.at(next++);
            out += element.IsArray() ? CallScript::Format(element) : FormatScalar(element, true);
        }
    }
    return out + "]";
}

}  // namespace

std::optional<CallScript::Step> CallScript::ParseStep(std::string_view word, std::string& error)
{
    const std::size_t paren = word.find('(');
    const std::size_t equals = word.find('=');
    Step step;
    if (paren != std::string_view::npos && (equals == std::string_view::npos || paren < equals)) {
        step.member = std::string(word.substr(0, paren));
        if (word.back() != ')') {
            error = "missing ')' in " + std::string(word);
            return std::nullopt;
        }
        Reader reader(word.substr(paren + 1, word.size() - paren - 2));
        reader.SkipBlanks();
        if (!reader.AtEnd()) {
            do {
                auto arg = reader.Value(error);
                if (!arg) return std::nullopt;
                step.args.push_back(std::move(*arg));
            } while (reader.Take(','));
            reader.SkipBlanks();
            if (!reader.AtEnd()) {
                error = "expected ',' between the arguments of " + step.member;
                return std::nullopt;
            }
        }
    } else if (equals != std::string_view::npos) {
        step.kind = Step::Kind::Put;
        step.member = std::string(word.substr(0, equals));
        auto value = ParseValue(word.substr(equals + 1), error);
        if (!value) return std::nullopt;
        step.args.push_back(std::move(*value));
    } else {
        step.member = std::string(word);
    }
    if (!IsMemberName(step.member)) {
        error = "not a member name: " + step.member;
        return std::nullopt;
    }
    return step;
}

std::optional<Variant> CallScript::ParseValue(std::string_view text, std::string& error)
{
    Reader reader(text);
    auto value = reader.Value(error);
    if (!value) return std::nullopt;
    reader.SkipBlanks();
    if (!reader.AtEnd()) {
        error = "unexpected text after the value: " + std::string(text);
        return std::nullopt;
    }
    return value;
}

std::string CallScript::Format(const Variant& value)
{
    if (!value.IsArray()) return FormatScalar(value, false);
    std::size_t next = 0;
    return FormatDims(value.array(), 0, next);
}
