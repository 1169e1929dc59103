#include "maker/text_escape.h"

#include <gtest/gtest.h>

namespace ZORVANE {
namespace {

struct EscapeCase {
    const char* text;
    const char* json;
    const char* yaml;
};

TEST(TextEscape, AnyTextStaysOneScalar) {
    const EscapeCase cases[] = {
        {"Ромашка 株式会社", "\"Ромашка 株式会社\"", "\"Ромашка 株式会社\""},
        {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\"", "\"say \\\"hi\\\" \\\\ bye\""},
        {"two\nlines\ttab\r", "\"two\\nlines\\ttab\\u000D\"", "\"two\\nlines\\ttab\\u000D\""},
        {"key: value # not a comment", "\"key: value # not a comment\"", "\"key: value # not a comment\""},
        {"bell\x07", "\"bell\\u0007\"", "\"bell\\u0007\""},
        {"del\x7F", "\"del\x7F\"", "\"del\\u007F\""},
        {"nel\xC2\x85 ls\xE2\x80\xA8 bom\xEF\xBB\xBF", "\"nel\xC2\x85 ls\xE2\x80\xA8 bom\xEF\xBB\xBF\"",
         "\"nel\\u0085 ls\\u2028 bom\\uFEFF\""},
        {"bad \xC0\xAF \xED\xA0\x80 \xFF end",
         "\"bad \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD end\"",
         "\"bad \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD end\""},
        {"cut \xE6\xA0", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\"", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xF0\x9F\x93\xA6", "\"\xF0\x9F\x93\xA6\"", "\"\xF0\x9F\x93\xA6\""},
        {"", "\"\"", "\"\""},
    };
    for (const EscapeCase& c : cases) {
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
        EXPECT_EQ(YamlString(c.text), c.yaml) << c.text;
    }
}

}  // namespace
}  // namespace ZORVANE
