#include "engine/report/json_writer.h"

#include "engine/page/utf_convert.h"
#include "engine/report/code_points.h"

namespace pardovane {
namespace {

void AppendUnicodeEscape(std::string& out, char32_t codePoint)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(codePoint >> shift) & 0xF];
}

}  // namespace

std::string JsonQuoted(std::u16string_view text)
{
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        switch (c) {
        case U'"':
            out += "\\\"";
            break;
        case U'\\':
            out += "\\\\";
            break;
        case U'\b':
            out += "\\b";
            break;
        case U'\f':
            out += "\\f";
            break;
        case U'\n':
            out += "\\n";
            break;
        case U'\r':
            out += "\\r";
            break;
        case U'\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029)
                AppendUnicodeEscape(out, c);
            else
                AppendUtf8(out, c);
        }
    }
    out += '"';
    return out;
}

void JsonWriter::NewLine()
{
    out_ += '\n';
    out_.append(levelEmpty_.size() * 2, ' ');
}

void JsonWriter::BeforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levelEmpty_.empty())
        return;
    if (!levelEmpty_.back())
        out_ += ',';
    levelEmpty_.back() = false;
    NewLine();
}

void JsonWriter::Begin(char open)
{
    BeforeValue();
    out_ += open;
    levelEmpty_.push_back(true);
}

void JsonWriter::End(char close)
{
    if (levelEmpty_.empty())
        return;
    const bool empty = levelEmpty_.back();
    levelEmpty_.pop_back();
    if (!empty)
        NewLine();
    out_ += close;
}

void JsonWriter::BeginObject()
{
    Begin('{');
}
void JsonWriter::EndObject()
{
    End('}');
}
void JsonWriter::BeginArray()
{
    Begin('[');
}
void JsonWriter::EndArray()
{
    End(']');
}

void JsonWriter::Key(std::string_view name)
{
    BeforeValue();
    out_ += JsonQuoted(Utf8ToUtf16(name));
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::u16string_view text)
{
    BeforeValue();
    out_ += JsonQuoted(text);
}

void JsonWriter::String(std::string_view utf8)
{
    String(Utf8ToUtf16(utf8));
}

void JsonWriter::Number(std::int64_t value)
{
    BeforeValue();
    out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value)
{
    BeforeValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null()
{
    BeforeValue();
    out_ += "null";
}

}  // namespace pardovane
