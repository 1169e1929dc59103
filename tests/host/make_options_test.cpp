// The native maker's command line: what each argument list asks for.
#include <getopt.h>
#include <gtest/gtest.h>

#include "maker/make_options.h"

namespace ZORVANE {
namespace {

struct OptionsCase {
    std::vector<std::string> arguments;  // after the program name
    MakeRequest request;
    MakeOptions expected;  // compared when request is Make
};

MakeOptions Options(std::string source, std::string package, std::string params, std::string output, bool force) {
    MakeOptions options;
    options.source = std::move(source);
    options.packagePath = std::move(package);
    options.params = std::move(params);
    options.output = std::move(output);
    options.force = force;
    return options;
}

// The product's look and metadata on top of Options("s", "", "", output, false).
MakeOptions Described(std::string output, std::string icon, bool productInfo, bool describe, std::string winget) {
    MakeOptions options = Options("s", "", "", std::move(output), false);
    options.iconPath = std::move(icon);
    options.productInfo = productInfo;
    options.describe = describe;
    options.wingetManifest = std::move(winget);
    return options;
}

// The manifests of the released "s" into folder, with the identity given.
MakeOptions Winget(std::string folder, std::string license = "Proprietary", std::string locale = "en-US",
                   bool describe = false) {
    MakeOptions options = Described("", "", true, describe, "");
    options.wingetFolder = std::move(folder);
    options.winget.packageId = "Contoso.Product";
    options.winget.installerUrl = "https://example.com/Setup.exe";
    options.winget.license = std::move(license);
    options.winget.locale = std::move(locale);
    return options;
}

MakeOptions KeepingPackage(MakeOptions options) {
    options.keepPackage = true;
    return options;
}

std::vector<std::string> WingetArguments(std::vector<std::string> more) {
    std::vector<std::string> arguments = {
        "--winget", ".", "--package-id", "Contoso.Product", "--installer-url", "https://example.com/Setup.exe"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// The longest option line in UTF-16 characters, whatever its UTF-8 length.
const std::string kLongestLine(32239, 'x');
std::string Repeated(const char* text, std::size_t count) {
    std::string repeated;
    while (count-- > 0) repeated += text;
    return repeated;
}
const std::string kLongestCyrillic = Repeated("\xD0\x96", 32239);

const OptionsCase kCases[] = {
    {{"--msi", "p.msi", "--params", "/qb X=1", "-o", "out.exe", "src.exe"},
     MakeRequest::Make,
     Options("src.exe", "p.msi", "/qb X=1", "out.exe", false)},
    {{"src.exe", "--output=out.exe", "--force"}, MakeRequest::Make, Options("src.exe", "", "", "out.exe", true)},
    {{"--params", "", "-o", "o", "s"}, MakeRequest::Make, Options("s", "", "", "o", false)},
    {{"--params", kLongestLine, "-o", "o", "s"}, MakeRequest::Make, Options("s", "", kLongestLine, "o", false)},
    {{"--params", kLongestLine + "x", "-o", "o", "s"}, MakeRequest::Invalid, {}},
    {{"--params", kLongestCyrillic, "-o", "o", "s"}, MakeRequest::Make, Options("s", "", kLongestCyrillic, "o", false)},
    {{"--params", Repeated("\xF0\x9F\x98\x80", 16120), "-o", "o", "s"}, MakeRequest::Invalid, {}},
    {{"--params", "caf\xE9", "-o", "o", "s"}, MakeRequest::Invalid, {}},
    {{"--msi", "", "-o", "o", "s"}, MakeRequest::Invalid, {}},
    {{"-o", "o"}, MakeRequest::Make, Options("", "", "", "o", false)},  // the installed launcher
    {{"-o", "o", "s", "t"}, MakeRequest::Invalid, {}},
    {{"s"}, MakeRequest::Invalid, {}},
    {{"-o", "o", "s", "--bogus"}, MakeRequest::Invalid, {}},
    {{"s", "-o"}, MakeRequest::Invalid, {}},
    {{"--help", "-o"}, MakeRequest::Help, {}},
    {{"--version"}, MakeRequest::Version, {}},
    {{"--icon", "a.ico", "--no-product-info", "-o", "o", "s"},
     MakeRequest::Make,
     Described("o", "a.ico", false, false, "")},
    {{"--describe", "s"}, MakeRequest::Make, Described("", "", true, true, "")},
    {{"--keep-package", "-o", "o", "s"}, MakeRequest::Make, KeepingPackage(Options("s", "", "", "o", false))},
    {{"--describe", "--keep-package", "s"}, MakeRequest::Make, KeepingPackage(Described("", "", true, true, ""))},
    {{"--keep-package", "s"}, MakeRequest::Invalid, {}},
    {{"--winget-manifest", "w.yaml", "s"}, MakeRequest::Make, Described("", "", true, false, "w.yaml")},
    {{"--icon", "", "-o", "o", "s"}, MakeRequest::Invalid, {}},
    {{"--winget-manifest", "", "s"}, MakeRequest::Invalid, {}},
    {{"--no-product-info", "s"}, MakeRequest::Invalid, {}},
    {{"-o", "-", "s"}, MakeRequest::Invalid, {}},
    {{"--winget-manifest", "-", "s"}, MakeRequest::Invalid, {}},
    {{"-o", "./-", "s"}, MakeRequest::Make, Options("s", "", "", "./-", false)},
    {WingetArguments({"s"}), MakeRequest::Make, Winget(".")},
    {WingetArguments({"--license", "MIT License", "--locale", "zh-Hans-CN", "--describe", "s"}), MakeRequest::Make,
     Winget(".", "MIT License", "zh-Hans-CN", true)},
    {{"--winget", "/", "--installer-url", "https://example.com/Setup.exe", "--package-id", "Contoso.Product", "s"},
     MakeRequest::Make,
     Winget("/")},
    {WingetArguments({}), MakeRequest::Invalid, {}},
    {WingetArguments({"-o", "o", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--msi", "p.msi", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--params", "/qn", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--icon", "a.ico", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--keep-package", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--package-id", "Product", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--installer-url", "ftp://example.com/Setup.exe", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--installer-url", "https://example.com/\nSetup.exe", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--license", "ab", "s"}), MakeRequest::Invalid, {}},
    {WingetArguments({"--locale", "en_US", "s"}), MakeRequest::Invalid, {}},
    {{"--winget", ".", "--installer-url", "https://example.com/Setup.exe", "s"}, MakeRequest::Invalid, {}},
    {{"--winget", ".", "--package-id", "Contoso.Product", "s"}, MakeRequest::Invalid, {}},
    {{"--winget", "/nonexistent", "--package-id", "Contoso.Product", "--installer-url", "https://x/y", "s"},
     MakeRequest::Invalid,
     {}},
    {{"--winget", "/dev/null", "--package-id", "Contoso.Product", "--installer-url", "https://x/y", "s"},
     MakeRequest::Invalid,
     {}},
    {{"--winget", "", "--package-id", "Contoso.Product", "--installer-url", "https://x/y", "s"},
     MakeRequest::Invalid,
     {}},
    {{"--package-id", "Contoso.Product", "-o", "o", "s"}, MakeRequest::Invalid, {}},
    {{"--license", "MIT License", "--describe", "s"}, MakeRequest::Invalid, {}},
};

class MakeOptionsParse : public testing::TestWithParam<OptionsCase> {};

TEST_P(MakeOptionsParse, GivesTheRequestAndItsOptions) {
    std::vector<std::string> arguments = GetParam().arguments;
    arguments.insert(arguments.begin(), "launcher-make");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    optind = 0;  // getopt starts afresh
    MakeOptions options;
    ASSERT_EQ(ParseMakeOptions(static_cast<int>(arguments.size()), argv.data(), options), GetParam().request);
    if (GetParam().request != MakeRequest::Make) return;
    const MakeOptions& expected = GetParam().expected;
    EXPECT_EQ(options.source, expected.source);
    EXPECT_EQ(options.packagePath, expected.packagePath);
    EXPECT_EQ(options.params, expected.params);
    EXPECT_EQ(options.output, expected.output);
    EXPECT_EQ(options.force, expected.force);
    EXPECT_EQ(options.iconPath, expected.iconPath);
    EXPECT_EQ(options.keepPackage, expected.keepPackage);
    EXPECT_EQ(options.productInfo, expected.productInfo);
    EXPECT_EQ(options.describe, expected.describe);
    EXPECT_EQ(options.wingetManifest, expected.wingetManifest);
    EXPECT_EQ(options.wingetFolder, expected.wingetFolder);
    EXPECT_EQ(options.winget.packageId, expected.winget.packageId);
    EXPECT_EQ(options.winget.installerUrl, expected.winget.installerUrl);
    EXPECT_EQ(options.winget.license, expected.winget.license);
    EXPECT_EQ(options.winget.locale, expected.winget.locale);
}

INSTANTIATE_TEST_SUITE_P(Cases, MakeOptionsParse, testing::ValuesIn(kCases));

}  // namespace
}  // namespace ZORVANE
