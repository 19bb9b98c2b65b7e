#include "engine/report/xml_writer.h"

#include "engine/page/utf_convert.h"
#include "engine/report/code_points.h"

namespace pardovane {
namespace {

bool AllowedInXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

std::string Escaped(std::u16string_view text, bool attribute)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = NextCodePoint(text, i);
        if (!AllowedInXml(c))
            c = kReplacementCharacter;
        switch (c) {
        case U'&':
            out += "&amp;";
            break;
        case U'<':
            out += "&lt;";
            break;
        // Always, so that "]]>" can never appear in character data.
        case U'>':
            out += "&gt;";
            break;
        case U'"':
            out += attribute ? "&quot;" : "\"";
            break;
        case U'\r':
            out += "&#13;";
            break;
        case U'\n':
            out += attribute ? "&#10;" : "\n";
            break;
        case U'\t':
            out += attribute ? "&#9;" : "\t";
            break;
        default:
            if (c >= 0x7F && c <= 0x9F)
                out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
            else
                AppendUtf8(out, c);
        }
    }
    return out;
}

}  // namespace

std::string XmlEscapedText(std::u16string_view text)
{
    return Escaped(text, false);
}

std::string XmlEscapedAttribute(std::u16string_view text)
{
    return Escaped(text, true);
}

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")
{
}

void XmlWriter::CloseStartTag()
{
    if (!open_.empty() && open_.back().startTagOpen) {
        out_ += '>';
        open_.back().startTagOpen = false;
    }
}

void XmlWriter::Open(std::string_view name)
{
    CloseStartTag();
    if (!open_.empty())
        open_.back().hasChildren = true;
    // Indent only where no text is around, so no character data changes.
    if (open_.empty() || !open_.back().hasText) {
        out_ += '\n';
        out_.append(open_.size() * 2, ' ');
    }
    out_ += '<';
    out_ += name;
    open_.push_back({std::string(name)});
}

void XmlWriter::Attribute(std::string_view name, std::u16string_view value)
{
    if (open_.empty() || !open_.back().startTagOpen)
        return;
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    out_ += XmlEscapedAttribute(value);
    out_ += '"';
}

void XmlWriter::Attribute(std::string_view name, std::string_view utf8)
{
    Attribute(name, std::u16string_view(Utf8ToUtf16(utf8)));
}

void XmlWriter::Attribute(std::string_view name, std::int64_t value)
{
    Attribute(name, std::string_view(std::to_string(value)));
}

void XmlWriter::Text(std::u16string_view text)
{
    if (open_.empty() || text.empty())
        return;
    CloseStartTag();
    open_.back().hasText = true;
    out_ += XmlEscapedText(text);
}

void XmlWriter::Text(std::string_view utf8)
{
    Text(std::u16string_view(Utf8ToUtf16(utf8)));
}

void XmlWriter::Close()
{
    if (open_.empty())
        return;
    Element element = std::move(open_.back());
    open_.pop_back();
    if (element.startTagOpen) {
        out_ += "/>";
    } else {
        if (element.hasChildren && !element.hasText) {
            out_ += '\n';
            out_.append(open_.size() * 2, ' ');
        }
        out_ += "</" + element.name + ">";
    }
    if (open_.empty())
        out_ += '\n';
}

}  // namespace pardovane
