#pragma once

#include <cstdint>

#include "core/ParameterDefinition.h"

// One setting of a plug-in. The current value is kept normalised to 0..1 (the form hosts,
// controls and mix files exchange) and converted to and from user units (min..max) by the
// parameter's value law. `value` is public and may be written directly without clamping, so a
// stored value can lie outside 0..1; the conversions back to user units clamp it.
class Parameter {
  public:
    explicit Parameter(const ParameterDefinition* row);
    virtual ~Parameter();

    // Hooks for a custom law (8) and a custom unit (17); the defaults do nothing, yield 0 and
    // leave empty texts.
    virtual void Precompute_CustomLaw();
    virtual int SetCustomTextualValue(const char* text, int len);
    virtual int GetCustomUnitText(float* x, float* t, char* buf, int maxlen);
    virtual int GetCustomValueText(float x, float t, char* buf, int maxlen);
    virtual float _NormalisedToCustom(float t) const;
    virtual float _CustomToNormalised(float x) const;

    virtual void SetUnNormalisedValue(float x);
    virtual float GetUnNormalisedValue() const;

    // Text forms. Every operation that writes into a caller's buffer takes a limit: the number
    // of characters it may write, not counting the NUL; the buffer holds maxlen + 1 bytes.
    // SetTextualValue reads at most len characters and stops at a NUL.
    virtual void SetTextualValue(const char* text, int len);
    virtual void GetTextualValueOf(float x, float t, char* out, int maxlen);
    virtual void GetTextualValue(char* out, int maxlen);
    // GetValueText returns the full length of its text even when the limit cut it (as snprintf
    // does); GetUnitText writes its text only when it fits, else writes nothing and returns 0.
    virtual int GetValueText(float x, float t, char* buf, int maxlen);
    virtual int GetUnitText(float* x, float* t, char* buf, int maxlen);

    virtual float NormaliseValue(float x) const;
    virtual float UnNormaliseValue(float t) const;

    // Computes the constants of the parameter's law and sets the default. A subclass with a
    // custom law runs it again after its own construction.
    void Parameter_Precompute();

    // Reads a typed number: digits, ".", "-" and the multiplier letters K/k M m U/u N/n.
    static float _ParseNumberFromString(const char* str, int len);

    int32_t id;
    int32_t law;
    int32_t unit;
    char name[64];
    float min;
    float minLog;
    float minExp;
    float minPwr2;
    float minPwr10;
    float max;
    float maxLog;
    float maxExp;
    float maxPwr2;
    float maxPwr10;
    float invLn2;
    float defaultValue;
    int32_t step;
    float value;

    // Converters of the laws, user units <-> normalised.
    float _LinearScaledToNormalised(float x) const;
    float _LogScaledToNormalised(float x) const;
    float _Log2ScaledToNormalised(float x) const;
    float _Log10ScaledToNormalised(float x) const;
    float _ExpScaledToNormalised(float x) const;
    float _Pwr2ScaledToNormalised(float x) const;
    float _Pwr10ScaledToNormalised(float x) const;
    float _DiscreteToNormalised(float x) const;
    float _NormalisedToLogScaled(float t) const;
    float _NormalisedToLog2Scaled(float t) const;
    float _NormalisedToLog10Scaled(float t) const;
    float _NormalisedToExpScaled(float t) const;
    float _NormalisedToPwr2Scaled(float t) const;
    float _NormalisedToPwr10Scaled(float t) const;

  private:
    float Clamp(float x) const;
};
