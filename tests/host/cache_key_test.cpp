// Cache entry names come from the package's ProductCode and ProductVersion:
// only their own forms may become a folder name, and the clean-up must find
// the product code again in exactly those names.
#include <gtest/gtest.h>

#include "common/cache_key.h"

namespace ZORVANE {
namespace {

constexpr char kCode[] = "{12345678-9ABC-DEF0-1234-56789ABCDEF0}";

TEST(CacheKey, OnlyProductCodesAndVersionsMakeANameThatReadsBack) {
    const std::string code = kCode;
    const struct {
        std::string code, version;
        bool named;
    } cases[] = {
        {code, "1.0.0", true},
        {"{abcdef01-2345-6789-abcd-ef0123456789}", "65535.65535.65535.65535", true},
        {code, "7", true},
        {code, "", false},
        {code, "1..0", false},
        {code, "1.0.", false},
        {code, ".1", false},
        {code, "1.2.3.4.5", false},
        {code, "123456.0", false},
        {code, "1.0\\..\\..\\Windows", false},
        {code, "1.0 beta", false},
        {"", "1.0", false},
        {"12345678-9ABC-DEF0-1234-56789ABCDEF0", "1.0", false},
        {"{12345678-9ABC-DEF0-1234-56789ABCDEFG}", "1.0", false},
        {"{12345678-9ABC-DEF0-1234_56789ABCDEF0}", "1.0", false},
        {"{..\\..\\..\\..\\Windows\\System32\\x}}}", "1.0", false},
        {"{12345678-9ABC-DEF0-1234-56789ABCDEF0}x", "1.0", false},
    };
    for (const auto& c : cases) {
        const std::string name = CacheEntryName(c.code, c.version);
        EXPECT_EQ(!name.empty(), c.named) << c.code << " " << c.version;
        if (c.named) {
            EXPECT_EQ(name, c.code + "v" + c.version);
            EXPECT_EQ(ProductCodeOfEntry(name), c.code);
        }
    }
}

TEST(CacheKey, NamesNoEntryHasGiveNoProductCode) {
    const std::string code = kCode;
    for (const std::string& name : {std::string(), code, code + "v", code + "x1.0", code + "v1.0.", "v1.0" + code,
                                    code + "v1.0\\x", std::string("desktop.ini")}) {
        EXPECT_EQ(ProductCodeOfEntry(name), "") << name;
    }
}

}  // namespace
}  // namespace ZORVANE
