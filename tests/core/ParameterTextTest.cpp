#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/Parameter.h"

namespace {

ParameterDefinition Row(int32_t unit, float min = -1e9f, float max = 1e9f,
                        int32_t law = kLawLinear) {
    ParameterDefinition row{};
    row.min = min;
    row.max = max;
    row.defaultValue = 0;
    row.unit = unit;
    row.law = law;
    return row;
}

// The display text of x at the given limit, checking that nothing is written past limit + 1
// bytes of the caller's buffer.
std::string TextOf(Parameter& p, float x, int maxlen) {
    char buf[300];
    std::memset(buf, '#', sizeof buf);
    p.GetTextualValueOf(x, p.NormaliseValue(x), buf, maxlen);
    for (size_t i = static_cast<size_t>(maxlen) + 1; i < sizeof buf; ++i) {
        if (buf[i] != '#') {
            ADD_FAILURE() << "wrote past the limit " << maxlen << " at " << i;
            break;
        }
    }
    return std::string(buf, strnlen(buf, static_cast<size_t>(maxlen) + 1));
}

std::string TextOf(int32_t unit, float x, int maxlen = 255) {
    ParameterDefinition row = Row(unit);
    Parameter p(&row);
    return TextOf(p, x, maxlen);
}

TEST(ValueText, NumberShrinksToFitTheLimit) {
    EXPECT_EQ(TextOf(kUnitNone, 0.3f, 255), "0.300");
    EXPECT_EQ(TextOf(kUnitNone, 0.3f, 4), "0.30");
    EXPECT_EQ(TextOf(kUnitNone, 0.3f, 3), "0.3");
    EXPECT_EQ(TextOf(kUnitNone, 0.3f, 1), "0");
    EXPECT_EQ(TextOf(kUnitNone, 0.3f, 0), "");
    EXPECT_EQ(TextOf(kUnitNone, 1234.5f, 2), "");  // even the last format does not fit
}

TEST(ValueText, UnitIsJoinedWithABlankOnlyWhenThereIsRoom) {
    EXPECT_EQ(TextOf(kUnitDecibels, -6, 9), "-6.000 dB");
    EXPECT_EQ(TextOf(kUnitDecibels, -6, 8), "-6.000dB");
    EXPECT_EQ(TextOf(kUnitDecibels, -6, 7), "-6.00dB");
    // Too little room for number and unit: the number alone, whole.
    EXPECT_EQ(TextOf(kUnitDecibels, -6, 3), "-6");
    EXPECT_EQ(TextOf(kUnitDecibels, -6, 1), "");
}

TEST(ValueText, ScaledSecondsSwitchAtTheirThresholds) {
    EXPECT_EQ(TextOf(kUnitSecondsScaled, 0.5f), "0.500 s");
    EXPECT_EQ(TextOf(kUnitSecondsScaled, 0.0005f), "0.500 ms");
    EXPECT_EQ(TextOf(kUnitSecondsScaled, 0.0000005f), "0.500 us");
    EXPECT_EQ(TextOf(kUnitSecondsScaled, 0), "0.000 us");
    EXPECT_EQ(TextOf(kUnitSecondsScaled, -0.5f), "-500000.000 us");
    // The thresholds are tested in double: the float nearest 0.000001 lies just below it, the
    // float nearest 0.001 just above it.
    EXPECT_EQ(TextOf(kUnitSecondsScaled, 0.000001f), "1.000 us");
    EXPECT_EQ(TextOf(kUnitSecondsScaled, 0.001f), "0.001 s");
}

TEST(ValueText, ScaledHertzSwitchesStrictlyAboveOneThousand) {
    EXPECT_EQ(TextOf(kUnitHertzScaled, 1000), "1000.000 Hz");
    EXPECT_EQ(TextOf(kUnitHertzScaled, 1500), "1.500 KHz");
}

TEST(ValueText, UnitThatDoesNotFitIsNotRescaled) {
    ParameterDefinition row = Row(kUnitHertzScaled);
    Parameter p(&row);
    float x = 1500;
    float t = 0;
    char buf[8] = "zzzzzzz";
    EXPECT_EQ(p.GetUnitText(&x, &t, buf, 2), 0);
    EXPECT_FLOAT_EQ(x, 1500.0f);
    EXPECT_STREQ(buf, "zzzzzzz");
    EXPECT_EQ(p.GetUnitText(&x, &t, buf, 3), 3);
    EXPECT_STREQ(buf, "KHz");
    EXPECT_FLOAT_EQ(x, 1.5f);
}

TEST(ValueText, SwitchWordsAreCutToTheLimitButReportTheirLength) {
    EXPECT_EQ(TextOf(kUnitSwitch, 0), "Off");
    EXPECT_EQ(TextOf(kUnitSwitch, 1), "On");
    EXPECT_EQ(TextOf(kUnitSwitch, 0.001f), "On");
    EXPECT_EQ(TextOf(kUnitSwitch, 0, 2), "");  // "Off" does not fit: nothing
    EXPECT_EQ(TextOf(kUnitSwitch, 1, 2), "On");

    ParameterDefinition row = Row(kUnitSwitch);
    Parameter p(&row);
    char buf[3] = {'#', '#', '#'};
    EXPECT_EQ(p.GetValueText(0, 0, buf, 1), 3);
    EXPECT_EQ(buf[0], 'O');
    EXPECT_EQ(buf[1], '\0');
    EXPECT_EQ(buf[2], '#');
}

TEST(ValueText, Ratio) {
    EXPECT_EQ(TextOf(kUnitRatio, 0.5f), "2.0:1");
    EXPECT_EQ(TextOf(kUnitRatio, 0.9f), "10.0:1");
    EXPECT_EQ(TextOf(kUnitRatio, 0.995f), "OO:1");
    EXPECT_EQ(TextOf(kUnitRatio, 1), "OO:1");
    // The whole-number forms keep their field width of 2.
    EXPECT_EQ(TextOf(kUnitRatio, 0.5f, 4), " 2:1");
    EXPECT_EQ(TextOf(kUnitRatio, 0.5f, 3), " 2");
    EXPECT_EQ(TextOf(kUnitRatio, 0.5f, 1), "");
    EXPECT_EQ(TextOf(kUnitRatio, 1, 3), "");
}

TEST(ValueText, UnknownAndCustomUnitsAreEmpty) {
    EXPECT_EQ(TextOf(18, 5), "");
    EXPECT_EQ(TextOf(-1, 5), "");
    EXPECT_EQ(TextOf(kUnitCustom, 5), "");
}

float Parse(const char* s, int len = -1) {
    return Parameter::_ParseNumberFromString(s, len < 0 ? static_cast<int>(std::strlen(s)) : len);
}

TEST(NumberParser, ReadsDigitsSignsAndMultipliers) {
    EXPECT_FLOAT_EQ(Parse("  12.5"), 12.5f);
    EXPECT_FLOAT_EQ(Parse("1.5k"), 1500.0f);
    EXPECT_FLOAT_EQ(Parse("4k7"), 4700.0f);
    EXPECT_FLOAT_EQ(Parse("10ms"), 0.01f);
    EXPECT_FLOAT_EQ(Parse("100 Hz"), 100.0f);
    EXPECT_FLOAT_EQ(Parse("-6dB"), -6.0f);
    EXPECT_FLOAT_EQ(Parse("6-"), -6.0f);
    EXPECT_FLOAT_EQ(Parse("--6"), -6.0f);
    EXPECT_FLOAT_EQ(Parse("1e3"), 13.0f);
    EXPECT_FLOAT_EQ(Parse("1.2.3"), 1.23f);
    EXPECT_FLOAT_EQ(Parse("1km"), 0.001f);
    EXPECT_FLOAT_EQ(Parse("2M"), 2000000.0f);
    EXPECT_FLOAT_EQ(Parse("3u"), 0.000003f);
    EXPECT_FLOAT_EQ(Parse("3N"), 3e-9f);
    EXPECT_FLOAT_EQ(Parse("1,5"), 15.0f);
    EXPECT_FLOAT_EQ(Parse(""), 0.0f);
    EXPECT_FLOAT_EQ(Parse("abc"), 0.0f);
    EXPECT_FLOAT_EQ(Parse("125", 2), 12.0f);
    EXPECT_FLOAT_EQ(Parse("\t7\x80"
                          "9"),
                    7.0f);  // bytes from 0x80 up separate
}

TEST(NumberParser, StopsAtTheNulWhateverTheLength) {
    // "5" followed by its NUL and then bytes that must never be read as part of the number.
    const char text[] =
        "5\0"
        "99";
    EXPECT_FLOAT_EQ(Parameter::_ParseNumberFromString(text, 4), 5.0f);
    const char leading[] =
        " \0"
        "42";
    EXPECT_FLOAT_EQ(Parameter::_ParseNumberFromString(leading, 4), 0.0f);
    EXPECT_FLOAT_EQ(Parameter::_ParseNumberFromString(nullptr, 4), 0.0f);
    EXPECT_FLOAT_EQ(Parameter::_ParseNumberFromString("7", 0), 0.0f);
    EXPECT_FLOAT_EQ(Parameter::_ParseNumberFromString("7", -3), 0.0f);
}

TEST(NumberParser, EndlessDigitsGiveInfinityNotUndefinedBehaviour) {
    std::string digits(400, '9');
    EXPECT_TRUE(std::isinf(Parse(digits.c_str())));
}

TEST(TypedText, NumberIsTakenInTheParameterUnitsAndClamped) {
    ParameterDefinition row = Row(kUnitHertzScaled, 20, 20000);
    Parameter p(&row);
    p.SetTextualValue("1.5k", 4);
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 1500.0f);
    p.SetTextualValue("1.5", 3);  // shown as kilohertz, typed as hertz: clamped to 20
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 20.0f);
}

TEST(TypedText, EmptyTextChangesNothing) {
    ParameterDefinition row = Row(kUnitNone, 0, 10);
    row.defaultValue = 4;
    Parameter p(&row);
    p.SetTextualValue("", 0);
    p.SetTextualValue("", 5);
    p.SetTextualValue("3", 0);
    p.SetTextualValue(nullptr, 3);
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 4.0f);

    ParameterDefinition switchRow = Row(kUnitSwitch, 0, 1, kLawDiscrete);
    Parameter s(&switchRow);
    s.SetTextualValue("", 2);
    EXPECT_FLOAT_EQ(s.value, 0.0f);
}

TEST(TypedText, SwitchWords) {
    ParameterDefinition row = Row(kUnitSwitch, 0, 1, kLawDiscrete);
    Parameter p(&row);
    const struct {
        const char* text;
        float start;
        float expected;
    } cases[] = {{"Off", 1, 0}, {"On", 0, 1},      {"1", 0, 1},
                 {"0", 1, 0},   {"on", 0, 1},      {"OFF", 1, 0},  // "O" then "F" is off
                 {"off", 1, 0}, {"9 lives", 0, 1}, {"yes", 0, 0},
                 {"yes", 1, 1}, {"of", 1, 1},  // at two characters only a leading "0" turns it off
                 {"x", 0, 1}};
    for (const auto& c : cases) {
        p.value = c.start;
        p.SetTextualValue(c.text, static_cast<int>(std::strlen(c.text)));
        EXPECT_FLOAT_EQ(p.value, c.expected) << c.text << " from " << c.start;
    }
}

// A locale with "," as its decimal point: an installed one, or one generated into a private
// folder (removed by the caller) when the system has none. Empty name when neither works.
struct CommaLocale {
    std::string name;
    std::string generatedFolder;
};

CommaLocale FindCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) return {name, ""};
    }
    char folder[] = "/tmp/mirovan-locale-XXXXXX";
    if (mkdtemp(folder) == nullptr) return {};
    const std::string command =
        std::string("localedef -i de_DE -f UTF-8 ") + folder + "/de_DE.UTF-8 >/dev/null 2>&1";
    const bool generated = std::system(command.c_str()) == 0;
    setenv("LOCPATH", folder, 1);
    if (!generated || std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        unsetenv("LOCPATH");
        std::filesystem::remove_all(folder);
        return {};
    }
    return {"de_DE.UTF-8", folder};
}

TEST(TextUnderCommaLocale, DecimalPointStaysADot) {
    const CommaLocale locale = FindCommaLocale();
    if (locale.name.empty()) GTEST_SKIP() << "no locale with a decimal comma available";

    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale really is in effect

    EXPECT_EQ(TextOf(kUnitDecibels, -6, 255), "-6.000 dB");
    EXPECT_EQ(TextOf(kUnitRatio, 0.5f), "2.0:1");
    EXPECT_FLOAT_EQ(Parse("12.5"), 12.5f);
    ParameterDefinition row = Row(kUnitNone, 0, 10);
    Parameter p(&row);
    p.SetTextualValue("2.25", 4);
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 2.25f);

    std::setlocale(LC_NUMERIC, "C");
    if (!locale.generatedFolder.empty()) {
        unsetenv("LOCPATH");
        std::filesystem::remove_all(locale.generatedFolder);
    }
}

}  // namespace
