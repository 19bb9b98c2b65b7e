#include "engine/report/written_place.h"

#include "engine/page/url_password.h"
#include "engine/page/utf_convert.h"

namespace pardovane {

std::u16string WrittenPlace::Text() const
{
    if (line == 0)
        return document;
    return document + u':' + Utf8ToUtf16(std::to_string(line)) + u':' + Utf8ToUtf16(std::to_string(column));
}

WrittenPlace PlaceOf(const PageRecord& page, const LinkRecord& link)
{
    WrittenPlace place;
    if (link.sheet) {
        place.document = WithoutPasswords(NamedUrl(*link.sheet));
        place.file = link.sheet->second.file;
    } else {
        place.document = WithoutPasswords(page.url);
        place.file = page.file;
    }
    place.line = link.line;
    place.column = link.column;
    return place;
}

}  // namespace pardovane
