#include <gtest/gtest.h>

#include <string>

#include "common/utf8.h"
#include "core/wide_text.h"

using namespace ZORVANE;

// Text that has no exact form on the other side is refused, never approximated.
TEST(WideText, ConvertsExactlyOrNotAtAll) {
    std::wstring wide = L"kept";
    EXPECT_TRUE(Widen("Установка 安装", wide));
    EXPECT_EQ(wide, L"Установка 安装");
    for (const char* broken : {"caf\xE9", "\xED\xA0\x80", "\xC3"}) {
        wide = L"kept";
        EXPECT_FALSE(Widen(broken, wide)) << broken;
        EXPECT_EQ(wide, L"kept");
    }
    std::string utf8 = "kept";
    const wchar_t lone[] = {L'a', 0xD800, L'b'};
    EXPECT_FALSE(Narrow(lone, 3, utf8));
    EXPECT_EQ(utf8, "kept");
}

// The platform-free count is the one the platform's limits are checked with.
TEST(WideText, Utf16LengthIsThePlatformsCount) {
    for (const char* text : {"", "Setup.exe", "Дмитрий", "安装程序", "\xF0\x9F\x98\x80 x", "a\xEF\xBF\xBF" "b"}) {
        std::wstring wide;
        ASSERT_TRUE(Widen(text, wide)) << text;
        EXPECT_EQ(Utf16Length(text), wide.size()) << text;
    }
}

// The unit tests run with ANSI code page 1252.
TEST(WideText, OptionLinesAreUtf8OrElseAnsi) {
    const std::pair<std::string, std::string> cases[] = {
        {"/qn", "/qn"}, {"NAME=Zażółć", "NAME=Zażółć"}, {"NAME=caf\xE9", "NAME=café"}, {"\x80\x9C", "€œ"}, {"", ""},
    };
    for (const auto& [stored, text] : cases) {
        std::string utf8;
        EXPECT_TRUE(OptionTextToUtf8(stored, utf8)) << stored;
        EXPECT_EQ(utf8, text) << stored;
    }
}

TEST(WideText, SystemErrorTextEndsWithTheCode) {
    const std::string text = SystemErrorText(ERROR_PATH_NOT_FOUND);
    EXPECT_GT(text.size(), std::string(" (error 3)").size());
    EXPECT_EQ(text.substr(text.size() - 10), " (error 3)");
}
