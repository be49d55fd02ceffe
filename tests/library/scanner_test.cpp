#include <brevic/ls_compiler.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Scan {
    int result = -1;
    long position = 0;
    tMacro macro;
};

// Scans the placeholder at the start of `text` (which begins with "{#").
Scan ScanText(const std::string& text) {
    Scan s;
    s.position = 1;
    s.result =
        tLS_compiler::ScanMacro(text.c_str(), static_cast<long>(text.size()), s.position, s.macro);
    return s;
}

TEST(ScanMacro, NameOnlyAndLineText) {
    Scan s = ScanText("{#Title} rest");
    EXPECT_EQ(s.result, 0);
    EXPECT_STREQ(s.macro.name, "Title");
    EXPECT_EQ(s.position, 7);
    EXPECT_FALSE(s.macro.hasExtension || s.macro.hasLineText || s.macro.hasLineStatement ||
                 s.macro.hasParams);
    EXPECT_EQ(s.macro.kind, LS_PLACEHOLDER_MACRO);

    s = ScanText("{#\"<br>\"Address}");
    EXPECT_EQ(s.result, 0);
    EXPECT_TRUE(s.macro.hasLineText);
    EXPECT_EQ(s.macro.lineText, "<br>");
    EXPECT_STREQ(s.macro.name, "Address");
}

TEST(ScanMacro, ExtensionLineStatementAndParametersTogether) {
    Scan s = ScanText("{#Menu.en[2-L],a,,c}");
    EXPECT_EQ(s.result, 0);
    EXPECT_STREQ(s.macro.name, "Menu");
    EXPECT_TRUE(s.macro.hasExtension);
    EXPECT_STREQ(s.macro.extension, "en");
    EXPECT_TRUE(s.macro.hasLineStatement);
    EXPECT_EQ(s.macro.firstLine, 2);
    EXPECT_EQ(s.macro.lastLine, -1);
    EXPECT_TRUE(s.macro.hasParams);
    ASSERT_EQ(s.macro.paramCount, 3u);
    EXPECT_EQ(s.macro.params[0], "a");
    EXPECT_EQ(s.macro.params[1], "");
    EXPECT_EQ(s.macro.params[2], "c");
    EXPECT_EQ(s.position, 19);
}

TEST(ScanMacro, LineStatementForms) {
    struct Case {
        const char* text;
        long first;
        long last;
    };
    const Case ok[] = {{"{#X[3]}", 3, 3},     {"{#X[2-5]}", 2, 5},
                       {"{#X[2-L]}", 2, -1},  {"{#X[L]}", -1, 0},
                       {"{#X[Last]}", -1, 0}, {"{#X[123456789]}", 123456789, 123456789}};
    for (const Case& c : ok) {
        Scan s = ScanText(c.text);
        EXPECT_EQ(s.result, 0) << c.text;
        EXPECT_TRUE(s.macro.hasLineStatement) << c.text;
        EXPECT_EQ(s.macro.firstLine, c.first) << c.text;
        EXPECT_EQ(s.macro.lastLine, c.last) << c.text;
    }
    for (const char* bad :
         {"{#X[0]}", "{#X[x]}", "{#X[2-0]}", "{#X[-2]}", "{#X[2}", "{#X[2,a]}", "{#X[2]junk}"}) {
        Scan s = ScanText(bad);
        EXPECT_EQ(s.result, LS_MSG_LINE_STATEMENT_SYNTAX) << bad;
        EXPECT_FALSE(s.macro.hasLineStatement) << bad;
        EXPECT_LT(s.position, static_cast<long>(std::strlen(bad))) << bad;
    }
    Scan s = ScanText("{#X[1234567890]}");
    EXPECT_EQ(s.result, LS_MSG_LINE_STATEMENT_TOO_LONG);
    EXPECT_EQ(s.position, 13) << "on the tenth character";
    EXPECT_FALSE(s.macro.hasLineStatement);
}

TEST(ScanMacro, NameAndExtensionLimits) {
    std::string name33(33, 'n');
    Scan s = ScanText("{#" + name33 + "}");
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(std::string(s.macro.name), name33);

    s = ScanText("{#" + name33 + "xyz}");
    EXPECT_EQ(s.result, LS_MSG_NAME_TOO_LONG);
    EXPECT_EQ(std::string(s.macro.name), name33);
    EXPECT_EQ(s.position, 2 + 33) << "on the 34th character";

    std::string ext31(31, 'e');
    s = ScanText("{#M." + ext31 + "}");
    EXPECT_EQ(s.result, 0);
    EXPECT_TRUE(s.macro.hasExtension);
    EXPECT_EQ(std::string(s.macro.extension), ext31);

    s = ScanText("{#M." + ext31 + "f[2]}");
    EXPECT_EQ(s.result, LS_MSG_EXTENSION_TOO_LONG);
    EXPECT_FALSE(s.macro.hasExtension);
    EXPECT_EQ(std::string(s.macro.extension), ext31);
    EXPECT_FALSE(s.macro.hasLineStatement) << "later parts are not parsed";
}

TEST(ScanMacro, ParameterLimit) {
    Scan s = ScanText("{#P,1,2,3,4,5,6,7,8,9,10}");
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.macro.paramCount, 10u);
    EXPECT_EQ(s.macro.params[9], "10");

    s = ScanText("{#P,1,2,3,4,5,6,7,8,9,10,11}");
    EXPECT_EQ(s.result, LS_MSG_TOO_MANY_PARAMS);
    EXPECT_TRUE(s.macro.hasParams);
    EXPECT_EQ(s.macro.paramCount, 10u);
    EXPECT_EQ(s.macro.params[9], "10");

    s = ScanText("{#P,,a}");
    EXPECT_EQ(s.macro.paramCount, 2u);
    EXPECT_EQ(s.macro.params[0], "");
    EXPECT_EQ(s.macro.params[1], "a");
}

TEST(ScanMacro, ReservedNames) {
    Scan s = ScanText("{#_MACRO_PARAM_12}");
    EXPECT_EQ(s.macro.kind, LS_PLACEHOLDER_PARAMETER);
    EXPECT_EQ(s.macro.paramIndex, 12);
    s = ScanText("{#\"%Y\"_DATE_AND_TIME_}");
    EXPECT_EQ(s.macro.kind, LS_PLACEHOLDER_DATE_AND_TIME);
    EXPECT_EQ(s.macro.lineText, "%Y");
    s = ScanText("{#_DATE_AND_TIME_X}");
    EXPECT_EQ(s.macro.kind, LS_PLACEHOLDER_MACRO);
    s = ScanText("{#_MACRO_PARAM_1,1,2,3,4,5,6,7,8,9,10,11}");
    EXPECT_EQ(s.result, LS_MSG_TOO_MANY_PARAMS);
    EXPECT_EQ(s.macro.kind, LS_PLACEHOLDER_MACRO) << "not recognised after an error";
}

TEST(ScanMacro, UnclosedPlaceholdersStopAtTheEnd) {
    for (const char* text : {"{#", "{#\"<br>", "{#Name", "{#Name.ext", "{#N,a,b", "{#N[2]"}) {
        Scan s = ScanText(text);
        EXPECT_EQ(s.result, LS_MSG_NAME_TOO_LONG) << text;
        EXPECT_EQ(s.position, static_cast<long>(std::strlen(text))) << text;
    }
    Scan s = ScanText("{#N[2");
    EXPECT_EQ(s.result, LS_MSG_LINE_STATEMENT_SYNTAX);
    EXPECT_EQ(s.position, 5);
}

} // namespace
