#include "core/Parameter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/CLocaleFormat.h"
#include "core/SafeConvert.h"

namespace {

// 0 for NaN and anything below 0, 1 for anything above 1.
float Clamp01(float t) {
    if (!(t >= 0.0f)) return 0.0f;
    return t < 1.0f ? t : 1.0f;
}

// Writes the fixed text s bounded by the limit and returns its full length.
int WriteBounded(char* buf, int maxlen, const char* s) {
    const int length = static_cast<int>(std::strlen(s));
    if (buf != nullptr && maxlen >= 0) {
        const int n = length < maxlen ? length : maxlen;
        std::memcpy(buf, s, static_cast<size_t>(n));
        buf[n] = '\0';
    }
    return length;
}

// Tries each format in turn and writes the first whose text fits the limit; the last one is
// used whatever its length (and then cut to the limit).
int WriteFirstFitting(char* buf, int maxlen, const char* const* formats, int formatCount,
                      double x) {
    for (int i = 0; i < formatCount - 1; ++i) {
        if (FormatInCLocale(nullptr, -1, formats[i], x) <= maxlen) {
            return FormatInCLocale(buf, maxlen, formats[i], x);
        }
    }
    return FormatInCLocale(buf, maxlen, formats[formatCount - 1], x);
}

const char* const kNumberFormats[] = {"%.3f", "%.2f", "%.1f", "%.0f"};
const char* const kRatioFormats[] = {"%2.1f:1", "%2.0f:1", "%2.0f"};

// The fixed unit texts; scaled units pick theirs in GetUnitText.
const char* FixedUnitText(int32_t unit) {
    switch (unit) {
        case kUnitSeconds: return "s";
        case kUnitMilliseconds: return "ms";
        case kUnitMicroseconds: return "us";
        case kUnitBPM: return "BPM";
        case kUnitDecibels: return "dB";
        case kUnitVolts: return "V";
        case kUnitAmperes: return "A";
        case kUnitWatts: return "W";
        case kUnitOhms: return "Ohm";
        case kUnitHertz: return "Hz";
        case kUnitKilohertz: return "KHz";
        case kUnitPercent: return "%";
        default: return nullptr;
    }
}

bool IsNumericUnit(int32_t unit) {
    return unit >= kUnitNone && unit <= kUnitPercent && unit != kUnitSwitch;
}

// Working buffers of the joined text. A value text (custom ones included) fits in 64 bytes.
constexpr int kUnitTextLimit = 32;
constexpr int kValueTextBytes = 64;

}  // namespace

Parameter::Parameter(const ParameterDefinition* row)
    : id(0), law(kLawLinear), unit(kUnitNone), name{}, min(0), minLog(0), minExp(0), minPwr2(0),
      minPwr10(0), max(0), maxLog(0), maxExp(0), maxPwr2(0), maxPwr10(0), invLn2(0),
      defaultValue(0), step(1), value(0) {
    if (row != nullptr) {
        id = row->id;
        law = row->law;
        unit = row->unit;
        // The row's name need not be terminated within its 64 bytes.
        const size_t n = strnlen(row->name, sizeof row->name);
        const size_t kept = n < sizeof name - 1 ? n : sizeof name - 1;
        std::memcpy(name, row->name, kept);
        name[kept] = '\0';
        min = row->min;
        max = row->max;
        defaultValue = row->defaultValue;
    }
    Parameter_Precompute();
}

Parameter::~Parameter() {}

void Parameter::Parameter_Precompute() {
    const double ln2 = std::log(2.0);
    switch (law) {
        case kLawLog:
            minLog = NarrowToFloat(std::log(static_cast<double>(min)));
            maxLog = NarrowToFloat(std::log(static_cast<double>(max)));
            break;
        case kLawLog2:
            minLog = NarrowToFloat(std::log(static_cast<double>(min)) / ln2);
            maxLog = NarrowToFloat(std::log(static_cast<double>(max)) / ln2);
            break;
        case kLawLog10:
            minLog = NarrowToFloat(std::log10(static_cast<double>(min)));
            maxLog = NarrowToFloat(std::log10(static_cast<double>(max)));
            break;
        case kLawExp:
            minExp = NarrowToFloat(std::exp(static_cast<double>(min)));
            maxExp = NarrowToFloat(std::exp(static_cast<double>(max)));
            break;
        case kLawPwr2:
            minPwr2 = NarrowToFloat(std::pow(2.0, static_cast<double>(min)));
            maxPwr2 = NarrowToFloat(std::pow(2.0, static_cast<double>(max)));
            invLn2 = NarrowToFloat(1.0 / ln2);
            break;
        case kLawPwr10:
            minPwr10 = NarrowToFloat(std::pow(10.0, static_cast<double>(min)));
            maxPwr10 = NarrowToFloat(std::pow(10.0, static_cast<double>(max)));
            break;
        case kLawDiscrete: {
            // The smallest power of two not below the whole-number span; spans above 2^30 are
            // outside the model and stop there instead of overflowing.
            const int32_t span = TruncateToInt32(static_cast<double>(max - min));
            step = 1;
            while (step < span && step < (1 << 30)) step <<= 1;
            break;
        }
        case kLawCustom: Precompute_CustomLaw(); break;
        default: break;
    }
    SetUnNormalisedValue(defaultValue);
}

void Parameter::Precompute_CustomLaw() {}
int Parameter::SetCustomTextualValue(const char*, int) {
    return 0;
}

int Parameter::GetCustomUnitText(float*, float*, char* buf, int maxlen) {
    WriteBounded(buf, maxlen, "");
    return 0;
}

int Parameter::GetCustomValueText(float, float, char* buf, int maxlen) {
    WriteBounded(buf, maxlen, "");
    return 0;
}

float Parameter::_NormalisedToCustom(float) const {
    return 0.0f;
}
float Parameter::_CustomToNormalised(float) const {
    return 0.0f;
}

void Parameter::SetUnNormalisedValue(float x) {
    value = NormaliseValue(x);
}
float Parameter::GetUnNormalisedValue() const {
    return UnNormaliseValue(value);
}

float Parameter::Clamp(float x) const {
    if (x < min) x = min;
    if (x > max) x = max;
    return x;
}

// ---- user units to normalised ----

float Parameter::_LinearScaledToNormalised(float x) const {
    if (max == min) return 1.0f;
    return (Clamp(x) - min) / (max - min);
}

float Parameter::_LogScaledToNormalised(float x) const {
    if (maxLog == minLog) return 1.0f;
    const float l = NarrowToFloat(std::log(static_cast<double>(Clamp(x))));
    return (l - minLog) / (maxLog - minLog);
}

float Parameter::_Log2ScaledToNormalised(float x) const {
    if (maxLog == minLog) return 1.0f;
    const float l = NarrowToFloat(std::log(static_cast<double>(Clamp(x))) / std::log(2.0));
    return (l - minLog) / (maxLog - minLog);
}

float Parameter::_Log10ScaledToNormalised(float x) const {
    if (maxLog == minLog) return 1.0f;
    const float l = NarrowToFloat(std::log10(static_cast<double>(Clamp(x))));
    return (l - minLog) / (maxLog - minLog);
}

float Parameter::_ExpScaledToNormalised(float x) const {
    if (maxExp == minExp) return 1.0f;
    const float e = NarrowToFloat(std::exp(static_cast<double>(Clamp(x))));
    return (e - minExp) / (maxExp - minExp);
}

float Parameter::_Pwr2ScaledToNormalised(float x) const {
    if (maxPwr2 == minPwr2) return 1.0f;
    const float p = NarrowToFloat(std::pow(2.0, static_cast<double>(Clamp(x))));
    return (p - minPwr2) / (maxPwr2 - minPwr2);
}

float Parameter::_Pwr10ScaledToNormalised(float x) const {
    if (maxPwr10 == minPwr10) return 1.0f;
    const float p = NarrowToFloat(std::pow(10.0, static_cast<double>(Clamp(x))));
    return (p - minPwr10) / (maxPwr10 - minPwr10);
}

float Parameter::_DiscreteToNormalised(float x) const {
    // No rounding on the way in: 0.4 on a switch is stored as 0.4.
    return (Clamp(x) - min) / static_cast<float>(step);
}

// ---- normalised to user units ----

float Parameter::_NormalisedToLogScaled(float t) const {
    const float e = minLog + (maxLog - minLog) * Clamp01(t);
    return NarrowToFloat(std::exp(static_cast<double>(e)));
}

float Parameter::_NormalisedToLog2Scaled(float t) const {
    const float e = minLog + (maxLog - minLog) * Clamp01(t);
    return NarrowToFloat(std::pow(2.0, static_cast<double>(e)));
}

float Parameter::_NormalisedToLog10Scaled(float t) const {
    const float e = minLog + (maxLog - minLog) * Clamp01(t);
    return NarrowToFloat(std::pow(10.0, static_cast<double>(e)));
}

float Parameter::_NormalisedToExpScaled(float t) const {
    const float a = minExp + (maxExp - minExp) * Clamp01(t);
    return NarrowToFloat(std::log(static_cast<double>(a)));
}

float Parameter::_NormalisedToPwr2Scaled(float t) const {
    const float a = minPwr2 + (maxPwr2 - minPwr2) * Clamp01(t);
    return NarrowToFloat(std::log(static_cast<double>(a))) * invLn2;
}

float Parameter::_NormalisedToPwr10Scaled(float t) const {
    const float a = minPwr10 + (maxPwr10 - minPwr10) * Clamp01(t);
    return NarrowToFloat(std::log10(static_cast<double>(a)));
}

float Parameter::NormaliseValue(float x) const {
    switch (law) {
        case kLawLinear: return _LinearScaledToNormalised(x);
        case kLawLog: return _LogScaledToNormalised(x);
        case kLawLog2: return _Log2ScaledToNormalised(x);
        case kLawLog10: return _Log10ScaledToNormalised(x);
        case kLawExp: return _ExpScaledToNormalised(x);
        case kLawPwr2: return _Pwr2ScaledToNormalised(x);
        case kLawPwr10: return _Pwr10ScaledToNormalised(x);
        case kLawDiscrete: return _DiscreteToNormalised(x);
        case kLawCustom: return _CustomToNormalised(x);
        default: return x;
    }
}

float Parameter::UnNormaliseValue(float t) const {
    switch (law) {
        case kLawLinear: return Clamp01(t) * (max - min) + min;
        case kLawLog: return _NormalisedToLogScaled(t);
        case kLawLog2: return _NormalisedToLog2Scaled(t);
        case kLawLog10: return _NormalisedToLog10Scaled(t);
        case kLawExp: return _NormalisedToExpScaled(t);
        case kLawPwr2: return _NormalisedToPwr2Scaled(t);
        case kLawPwr10: return _NormalisedToPwr10Scaled(t);
        case kLawDiscrete: {
            // Truncation without a clamp to the maximum: a stored 1.0 reads one step above a
            // span that is not a power of two (the 1-to-4 selector reads 5). It stays in float,
            // so bounds beyond the int32 range keep their value instead of saturating.
            const float raw = Clamp01(t) * static_cast<float>(step) + min;
            return std::trunc(raw);
        }
        case kLawCustom: return _NormalisedToCustom(t);
        default: return t;
    }
}

// ---- text ----

int Parameter::GetValueText(float x, float t, char* buf, int maxlen) {
    if (IsNumericUnit(unit)) {
        return WriteFirstFitting(buf, maxlen, kNumberFormats, 4, static_cast<double>(x));
    }
    switch (unit) {
        case kUnitSwitch: return WriteBounded(buf, maxlen, x != 0.0f ? "On" : "Off");
        case kUnitRatio: {
            if (x == 1.0f) return WriteBounded(buf, maxlen, "OO:1");
            const float r = 1.0f / (1.0f - x);
            if (std::fabs(r) > 100.0f) return WriteBounded(buf, maxlen, "OO:1");
            return WriteFirstFitting(buf, maxlen, kRatioFormats, 3, static_cast<double>(r));
        }
        case kUnitCustom: return GetCustomValueText(x, t, buf, maxlen);
        default: return WriteBounded(buf, maxlen, "");
    }
}

int Parameter::GetUnitText(float* x, float* t, char* buf, int maxlen) {
    const char* text = nullptr;
    float scale = 1.0f;
    const float shown = x != nullptr ? *x : 0.0f;
    switch (unit) {
        case kUnitSecondsScaled: {
            const double seconds = static_cast<double>(shown);
            if (seconds < 0.000001) {
                text = "us";
                scale = 1000000.0f;
            } else if (seconds < 0.001) {
                text = "ms";
                scale = 1000.0f;
            } else {
                text = "s";
            }
            break;
        }
        case kUnitHertzScaled:
            if (shown > 1000.0f) {
                text = "KHz";
                scale = 0.001f;
            } else {
                text = "Hz";
            }
            break;
        case kUnitCustom: return GetCustomUnitText(x, t, buf, maxlen);
        default: text = FixedUnitText(unit); break;
    }
    if (text == nullptr) {
        WriteBounded(buf, maxlen, "");
        return 0;
    }
    const int length = static_cast<int>(std::strlen(text));
    if (maxlen < length) return 0;  // no room: nothing written, nothing rescaled
    WriteBounded(buf, maxlen, text);
    if (x != nullptr && scale != 1.0f) *x = *x * scale;
    return length;
}

void Parameter::GetTextualValueOf(float x, float t, char* out, int maxlen) {
    if (out == nullptr || maxlen < 0) return;

    char unitText[kUnitTextLimit + 1] = {};
    const int u = GetUnitText(&x, &t, unitText, kUnitTextLimit);
    unitText[kUnitTextLimit] = '\0';

    // The number is fitted into the room the unit leaves.
    char valueText[kValueTextBytes] = {};
    const int room = maxlen - u;
    const int valueLimit = room < kValueTextBytes - 1 ? room : kValueTextBytes - 1;
    const int v = GetValueText(x, t, valueText, valueLimit);
    valueText[kValueTextBytes - 1] = '\0';

    if (u != 0) {
        if (maxlen >= u + v + 1) {
            std::snprintf(out, static_cast<size_t>(maxlen) + 1, "%s %s", valueText, unitText);
            return;
        }
        if (maxlen >= u + v) {
            std::snprintf(out, static_cast<size_t>(maxlen) + 1, "%s%s", valueText, unitText);
            return;
        }
    }
    if (maxlen >= v) {
        // The value text alone fits although it overran the room left by the unit, so it was
        // cut in the working buffer: fetch it whole (the same, last, format is chosen again).
        if (v > valueLimit && v < kValueTextBytes) GetValueText(x, t, valueText, v);
        std::snprintf(out, static_cast<size_t>(maxlen) + 1, "%s", valueText);
        return;
    }
    out[0] = '\0';
}

void Parameter::GetTextualValue(char* out, int maxlen) {
    GetTextualValueOf(UnNormaliseValue(value), value, out, maxlen);
}

void Parameter::SetTextualValue(const char* text, int len) {
    if (text == nullptr || len <= 0 || text[0] == '\0') return;  // nothing typed
    const int n = static_cast<int>(strnlen(text, static_cast<size_t>(len)));

    if (IsNumericUnit(unit) || unit == kUnitRatio) {
        SetUnNormalisedValue(_ParseNumberFromString(text, n));
        return;
    }
    if (unit == kUnitSwitch) {
        const char first = text[0];
        if (n <= 2) {
            SetUnNormalisedValue(first == '0' ? min : max);
        } else if (first == '0') {
            SetUnNormalisedValue(min);
        } else if (first >= '1' && first <= '9') {
            SetUnNormalisedValue(max);
        } else if (first == 'O' || first == 'o') {
            const char second = text[1];
            SetUnNormalisedValue(second == 'f' || second == 'F' ? min : max);
        }
        return;
    }
    if (unit == kUnitCustom) SetCustomTextualValue(text, n);
}

float Parameter::_ParseNumberFromString(const char* str, int len) {
    if (str == nullptr || len <= 0) return 0.0f;
    // Blanks, control characters, NUL and every byte from 0x80 up separate numbers; the text
    // also ends at its NUL whatever len says.
    auto isSeparator = [](char c) { return static_cast<signed char>(c) <= 32; };

    int i = 0;
    while (i < len && str[i] != '\0' && isSeparator(str[i])) ++i;

    double sum = 0.0;
    double place = 1.0;
    double multiplier = 1.0;
    bool inFraction = false;
    bool negative = false;
    for (; i < len && !isSeparator(str[i]); ++i) {
        const char c = str[i];
        if (c >= '0' && c <= '9') {
            const int d = c - '0';
            if (inFraction) {
                place *= 0.1;
                sum += d * place;
            } else {
                sum = sum * 10.0 + d;
            }
            continue;
        }
        double letter = 0.0;
        switch (c) {
            case '.': inFraction = true; break;
            case '-': negative = true; break;
            case 'K':
            case 'k': letter = 1000.0; break;
            case 'M': letter = 1000000.0; break;
            case 'm': letter = 0.001; break;
            case 'U':
            case 'u': letter = 0.000001; break;
            case 'N':
            case 'n': letter = 0.000000001; break;
            default: break;  // "+", "e", other letters, commas
        }
        if (letter != 0.0) {
            // A multiplier letter also starts the fraction: "4k7" is 4.7k.
            multiplier = letter;
            inFraction = true;
        }
    }
    return NarrowToFloat((negative ? -sum : sum) * multiplier);
}
