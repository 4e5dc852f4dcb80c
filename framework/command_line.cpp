// The framework's command-line options: "-" or "/" or nothing, a keyword compared
// case-insensitively over its own length, and ":value" for the options that take one.
#include "framework/command_line.h"

#include <cwctype>
#include <string>

namespace {

enum class Option {
    Adapter,
    Windowed,
    FullScreen,
    ForceHal,
    ForceRef,
    ForcePureHwvp,
    ForceHwvp,
    ForceSwvp,
    Width,
    Height,
    StartX,
    StartY,
    ConstantFrameTime,
    QuitAfterFrame,
    NoErrorMessageBoxes,
};

struct Keyword {
    std::wstring_view text;
    Option option;
};

// In matching order: the first keyword that is a prefix of the token wins.
constexpr Keyword Keywords[] = {
    {L"adapter", Option::Adapter},
    {L"windowed", Option::Windowed},
    {L"fullscreen", Option::FullScreen},
    {L"forcehal", Option::ForceHal},
    {L"forceref", Option::ForceRef},
    {L"forcepurehwvp", Option::ForcePureHwvp},
    {L"forcehwvp", Option::ForceHwvp},
    {L"forceswvp", Option::ForceSwvp},
    {L"width", Option::Width},
    {L"height", Option::Height},
    {L"startx", Option::StartX},
    {L"starty", Option::StartY},
    {L"constantframetime", Option::ConstantFrameTime},
    {L"quitafterframe", Option::QuitAfterFrame},
    {L"noerrormsgboxes", Option::NoErrorMessageBoxes},
};

constexpr float DefaultTimePerFrame = 0.0333f;
constexpr size_t MaxTokenLength = 255;

bool IsBlank(wchar_t c) {
    return static_cast<unsigned>(c) <= 32;
}

bool StartsWithKeyword(std::wstring_view line, size_t position, std::wstring_view keyword) {
    if (line.size() - position < keyword.size())
        return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if (static_cast<wchar_t>(std::towlower(line[position + i])) != keyword[i])
            return false;
    return true;
}

// The text up to the next blank, at most MaxTokenLength characters; moves past all of it.
std::wstring_view TakeToken(std::wstring_view line, size_t* position) {
    size_t start = *position;
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    *position = end;
    return line.substr(start, std::min(end - start, MaxTokenLength));
}

// ":value" right after a keyword; false (position unchanged) without the colon.
bool TakeValue(std::wstring_view line, size_t* position, std::wstring_view* value) {
    if (*position >= line.size() || line[*position] != L':')
        return false;
    ++*position;
    *value = TakeToken(line, position);
    return true;
}

float ReadFloat(std::wstring_view text) {
    std::wstring copy(text);
    wchar_t* end = nullptr;
    float value = std::wcstof(copy.c_str(), &end);
    return end == copy.c_str() ? 0.0f : value;
}

} // namespace

namespace CommandLine {

int ReadInteger(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        // Saturates instead of overflowing on absurdly long numbers.
        if (value < 0x7FFFFFFFLL)
            value = value * 10 + (text[i] - L'0');
    }
    if (value > 0x7FFFFFFFLL)
        value = 0x7FFFFFFFLL;
    return static_cast<int>(negative ? -value : value);
}

void Parse(std::wstring_view line, CommandLineOverrides* overrides) {
    if (!overrides)
        return;
    size_t position = 0;
    // The executable name, quoted or not.
    if (!line.empty() && line[0] == L'"') {
        position = 1;
        while (position < line.size() && line[position] != L'"')
            ++position;
        if (position < line.size())
            ++position;
    } else {
        while (position < line.size() && !IsBlank(line[position]))
            ++position;
    }

    while (true) {
        while (position < line.size() && IsBlank(line[position]))
            ++position;
        if (position >= line.size())
            break;
        if (line[position] == L'-' || line[position] == L'/')
            ++position;

        const Keyword* matched = nullptr;
        for (const Keyword& keyword : Keywords)
            if (StartsWithKeyword(line, position, keyword.text)) {
                matched = &keyword;
                break;
            }
        if (!matched) {
            TakeToken(line, &position);
            continue;
        }
        position += matched->text.size();

        std::wstring_view value;
        switch (matched->option) {
        case Option::Adapter:
            if (TakeValue(line, &position, &value))
                overrides->overrideAdapter = ReadInteger(value);
            break;
        case Option::Windowed:
            overrides->overrideWindowed = true;
            break;
        case Option::FullScreen:
            overrides->overrideFullScreen = true;
            break;
        case Option::ForceHal:
            overrides->overrideForceHal = true;
            break;
        case Option::ForceRef:
            overrides->overrideForceRef = true;
            break;
        case Option::ForcePureHwvp:
            overrides->overrideForcePureHwvp = true;
            break;
        case Option::ForceHwvp:
            overrides->overrideForceHwvp = true;
            break;
        case Option::ForceSwvp:
            overrides->overrideForceSwvp = true;
            break;
        case Option::Width:
            if (TakeValue(line, &position, &value))
                overrides->overrideWidth = ReadInteger(value);
            break;
        case Option::Height:
            if (TakeValue(line, &position, &value))
                overrides->overrideHeight = ReadInteger(value);
            break;
        case Option::StartX:
            if (TakeValue(line, &position, &value))
                overrides->overrideStartX = ReadInteger(value);
            break;
        case Option::StartY:
            if (TakeValue(line, &position, &value))
                overrides->overrideStartY = ReadInteger(value);
            break;
        case Option::ConstantFrameTime:
            overrides->overrideConstantFrameTime = true;
            overrides->overrideTimePerFrame =
                TakeValue(line, &position, &value) ? ReadFloat(value) : DefaultTimePerFrame;
            break;
        case Option::QuitAfterFrame:
            if (TakeValue(line, &position, &value))
                overrides->overrideQuitAfterFrame = ReadInteger(value);
            break;
        case Option::NoErrorMessageBoxes:
            overrides->noErrorMessageBoxes = true;
            break;
        }
    }
}

} // namespace CommandLine
