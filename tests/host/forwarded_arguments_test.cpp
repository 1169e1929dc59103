// The launcher's arguments as msiexec gets them, and whether they still fit
// one command line once quoted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/forwarded_arguments.h"
#include "common/payload.h"
#include "common/utf8.h"

using namespace ZORVANE;

namespace {

const std::string kProgram = "C:\\Windows\\system32\\msiexec.exe";
const std::string kStart = "/i \"C:\\Users\\Dmitry\\AppData\\Local\\Temp\\TVX_INST0Setup.msi\" MSIINSTALLPERUSER=1 ";
// UTF-16 units the options may take, with the command line's terminator.
const size_t kRoom = kCommandLineLimit - 1 - CommandLineUnits(kProgram.size(), kStart.size());

std::string Repeated(const std::string& piece, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += piece;
    return text;
}

struct Case {
    std::vector<std::string> arguments;
    std::string options;
    bool fits;
};

std::vector<Case> Cases() {
    const std::string x = "x", zhe = "\xD0\xB6", smile = "\xF0\x9F\x98\x80";  // 1, 1 and 2 UTF-16 units
    const std::string pad((kRoom - 1) % 2, 'x');  // so that the smiles end at the room's edge
    const std::string smiles = pad + Repeated(smile, (kRoom - 1) / 2);
    const std::string folder = "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\\\xE5\xAE\x89 \xE8\xA3\x85";  // C:\Прог\安 装
    const std::string polish = "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g";                             // Zażółć g
    const std::string name = "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9";           // Дмитрий
    return {
        {{}, "", true},
        {{"/qb", "X=1"}, "/qb X=1 ", true},
        {{""}, " ", true},  // nothing, then the blank
        {{"/qn", "", "X=1"}, "/qn  X=1 ", true},
        {{"INSTALLDIR=C:\\Quote Test"}, "INSTALLDIR=\"C:\\Quote Test\" ", true},
        {{"/l*v", "C:\\log dir\\inst.log"}, "/l*v \"C:\\log dir\\inst.log\" ", true},
        {{"TRANSFORMS=a.mst;b c.mst", "a b.mst;c.mst"}, "TRANSFORMS=\"a.mst;b c.mst\" \"a b.mst;c.mst\" ", true},
        // What the runtime makes of INSTALLDIR=\"C:\Program Files\X\": quoted already.
        {{"INSTALLDIR=\"C:\\Program", "Files\\X\""}, "INSTALLDIR=\"C:\\Program Files\\X\" ", true},
        {{"\"a b\"", "P=\"a b\"", "a\"b c"}, "\"a b\" P=\"a b\" a\"b c ", true},
        {{"/qn REBOOT=ReallySuppress"}, "/qn REBOOT=ReallySuppress ", true},
        {{"-l*v C:\\log dir\\x.log", "/"}, "-l*v C:\\log dir\\x.log / ", true},
        {{"A=x\ty", "a\tb", "\t/qn", " /qn"}, "A=\"x\ty\" \"a\tb\" \"\t/qn\" \" /qn\" ", true},
        {{"INSTALLDIR=C:\\Program Files\\", "C:\\my dir\\"},
         "INSTALLDIR=\"C:\\Program Files\\\" \"C:\\my dir\\\" ",
         true},
        {{"_P.1=a b", "A=B=C D", "P= ", "p=a b"}, "_P.1=\"a b\" A=\"B=C D\" P=\" \" p=\"a b\" ", true},
        // No property name: a digit first, nothing, a blank, a dash, a letter outside ASCII.
        {{"1P=a b", "=a b", "MY PROP=a", "P-Q=a b", "\xC3\x84=a b", " "},
         "\"1P=a b\" \"=a b\" \"MY PROP=a\" \"P-Q=a b\" \"\xC3\x84=a b\" \" \" ",
         true},
        {{"INSTALLDIR=" + folder, polish, name},
         "INSTALLDIR=\"" + folder + "\" \"" + polish + "\" " + name + " ",
         true},
        // The limit, counted in UTF-16 units after quoting.
        {{Repeated(x, kRoom - 1)}, Repeated(x, kRoom - 1) + " ", true},
        {{Repeated(x, kRoom)}, Repeated(x, kRoom) + " ", false},
        {{"a b" + Repeated(x, kRoom - 6)}, "\"a b" + Repeated(x, kRoom - 6) + "\" ", true},
        {{"a b" + Repeated(x, kRoom - 5)}, "\"a b" + Repeated(x, kRoom - 5) + "\" ", false},  // fits unquoted
        {{"P=a b" + Repeated(x, kRoom - 8)}, "P=\"a b" + Repeated(x, kRoom - 8) + "\" ", true},
        {{"P=a b" + Repeated(x, kRoom - 7)}, "P=\"a b" + Repeated(x, kRoom - 7) + "\" ", false},
        {{Repeated(zhe, kRoom - 4) + " "}, "\"" + Repeated(zhe, kRoom - 4) + " \" ", true},
        {{Repeated(zhe, kRoom - 3) + " "}, "\"" + Repeated(zhe, kRoom - 3) + " \" ", false},
        {{smiles}, smiles + " ", true},
        {{smiles + smile}, smiles + smile + " ", false},
    };
}

std::string Shown(const std::vector<std::string>& arguments) {
    std::string shown;
    for (const std::string& argument : arguments) shown += "[" + argument.substr(0, 40) + "]";
    return shown;
}

}  // namespace

TEST(ForwardedArguments, QuoteOnlyWhatTheRuntimeUnquotedAndFitOneCommandLine) {
    for (const Case& c : Cases()) {
        const std::string options = OptionsFromArguments(c.arguments);
        EXPECT_EQ(options, c.options) << Shown(c.arguments);
        const size_t units = CommandLineUnits(Utf16Length(kProgram), Utf16Length(kStart + options));
        EXPECT_EQ(FitsCommandLine(units), c.fits) << Shown(c.arguments);
    }
}
