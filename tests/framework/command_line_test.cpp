#include <gtest/gtest.h>

#include "framework/command_line.h"

namespace {

struct ParseCase {
    const wchar_t* line;
    CommandLineOverrides expected;
};

CommandLineOverrides With(void (*change)(CommandLineOverrides&)) {
    CommandLineOverrides o;
    change(o);
    return o;
}

void ExpectSame(const CommandLineOverrides& a, const CommandLineOverrides& b, const wchar_t* line) {
    SCOPED_TRACE(testing::Message() << "line: " << std::wstring(line).size() << " chars");
    EXPECT_EQ(a.overrideAdapter, b.overrideAdapter);
    EXPECT_EQ(a.overrideWindowed, b.overrideWindowed);
    EXPECT_EQ(a.overrideFullScreen, b.overrideFullScreen);
    EXPECT_EQ(a.overrideStartX, b.overrideStartX);
    EXPECT_EQ(a.overrideStartY, b.overrideStartY);
    EXPECT_EQ(a.overrideWidth, b.overrideWidth);
    EXPECT_EQ(a.overrideHeight, b.overrideHeight);
    EXPECT_EQ(a.overrideForceHal, b.overrideForceHal);
    EXPECT_EQ(a.overrideForceRef, b.overrideForceRef);
    EXPECT_EQ(a.overrideForcePureHwvp, b.overrideForcePureHwvp);
    EXPECT_EQ(a.overrideForceHwvp, b.overrideForceHwvp);
    EXPECT_EQ(a.overrideForceSwvp, b.overrideForceSwvp);
    EXPECT_EQ(a.overrideConstantFrameTime, b.overrideConstantFrameTime);
    EXPECT_EQ(a.overrideTimePerFrame, b.overrideTimePerFrame);
    EXPECT_EQ(a.overrideQuitAfterFrame, b.overrideQuitAfterFrame);
    EXPECT_EQ(a.noErrorMessageBoxes, b.noErrorMessageBoxes);
}

TEST(CommandLineParse, Table) {
    const ParseCase cases[] = {
        {L"demo.exe", CommandLineOverrides{}},
        {L"demo.exe -WINDOWED", With([](auto& o) { o.overrideWindowed = true; })},
        {L"demo.exe /windowed", With([](auto& o) { o.overrideWindowed = true; })},
        {L"demo.exe windowed", With([](auto& o) { o.overrideWindowed = true; })},
        // The rest of a longer word is the next token; "x" matches nothing.
        {L"demo.exe -windowedx", With([](auto& o) { o.overrideWindowed = true; })},
        {L"demo.exe -windowedfullscreen", With([](auto& o) {
             o.overrideWindowed = true;
             o.overrideFullScreen = true;
         })},
        {L"demo.exe -width", CommandLineOverrides{}},
        {L"demo.exe -width:abc", CommandLineOverrides{}},
        {L"demo.exe -width:1024 -height:768", With([](auto& o) {
             o.overrideWidth = 1024;
             o.overrideHeight = 768;
         })},
        {L"demo.exe -width:12ab", With([](auto& o) { o.overrideWidth = 12; })},
        {L"demo.exe -startx:-5 -starty:+7", With([](auto& o) {
             o.overrideStartX = -5;
             o.overrideStartY = 7;
         })},
        {L"demo.exe -adapter:1", With([](auto& o) { o.overrideAdapter = 1; })},
        {L"demo.exe -forcehal -forceref", With([](auto& o) {
             o.overrideForceHal = true;
             o.overrideForceRef = true;
         })},
        {L"demo.exe -forcepurehwvp -forceswvp", With([](auto& o) {
             o.overrideForcePureHwvp = true;
             o.overrideForceSwvp = true;
         })},
        {L"demo.exe -constantframetime", With([](auto& o) {
             o.overrideConstantFrameTime = true;
             o.overrideTimePerFrame = 0.0333f;
         })},
        {L"demo.exe -constantframetime:0.5", With([](auto& o) {
             o.overrideConstantFrameTime = true;
             o.overrideTimePerFrame = 0.5f;
         })},
        {L"demo.exe -quitafterframe:100", With([](auto& o) { o.overrideQuitAfterFrame = 100; })},
        {L"demo.exe -noerrormsgboxes", With([](auto& o) { o.noErrorMessageBoxes = true; })},
        {L"demo.exe -bogus -height:9", With([](auto& o) { o.overrideHeight = 9; })},
        // A quoted executable name with blanks is skipped whole.
        {L"\"C:\\My Demos\\demo -windowed.exe\" -fullscreen",
         With([](auto& o) { o.overrideFullScreen = true; })},
        // An unterminated quote swallows the whole line.
        {L"\"demo.exe -windowed", CommandLineOverrides{}},
        {L"demo.exe\t-windowed\r\n", With([](auto& o) { o.overrideWindowed = true; })},
        {L"", CommandLineOverrides{}},
        {L"demo.exe -width:99999999999999999999", With([](auto& o) { o.overrideWidth = 0x7FFFFFFF; })},
    };
    for (const ParseCase& c : cases) {
        CommandLineOverrides parsed;
        CommandLine::Parse(c.line, &parsed);
        ExpectSame(parsed, c.expected, c.line);
    }
}

TEST(CommandLineParse, OverlongTokenIsSkippedWithoutHarm) {
    std::wstring line =
        L"demo.exe -" + std::wstring(5000, L'z') + L" -windowed -width:" + std::wstring(400, L'7');
    CommandLineOverrides parsed;
    CommandLine::Parse(line, &parsed);
    EXPECT_TRUE(parsed.overrideWindowed);
    EXPECT_EQ(parsed.overrideWidth, 0x7FFFFFFF);
}

} // namespace
