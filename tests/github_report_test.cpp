#include "engine/report/github_report.h"

#include <gtest/gtest.h>

namespace pardovane {
namespace {

struct Escaped {
    std::u16string_view text;
    std::string message;   // as a command's message
    std::string property;  // as a property's value
};

TEST(WorkflowCommandEscaped, NoTextEndsACommandOrStartsAnother)
{
    const Escaped table[] = {
        {u"%0A::error::x", "%250A::error::x", "%250A%3A%3Aerror%3A%3Ax"},
        {u"a\r\n::warning::b", "a%0D%0A::warning::b", "a%0D%0A%3A%3Awarning%3A%3Ab"},
        {u"file=a,line=1", "file=a,line=1", "file=a%2Cline=1"},
        {u"\u65e5\u672c %", "\xe6\x97\xa5\xe6\x9c\xac %25", "\xe6\x97\xa5\xe6\x9c\xac %25"},
    };
    for (const Escaped& row : table) {
        EXPECT_EQ(WorkflowCommandEscaped(row.text, false), row.message);
        EXPECT_EQ(WorkflowCommandEscaped(row.text, true), row.property);
    }
}

}  // namespace
}  // namespace pardovane
