#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/Parameter.h"

namespace {

ParameterDefinition Row(float min, float max, float def, int32_t law, int32_t unit = 0) {
    ParameterDefinition row{};
    row.id = 7;
    std::strcpy(row.name, "Test");
    row.min = min;
    row.max = max;
    row.defaultValue = def;
    row.unit = unit;
    row.law = law;
    return row;
}

TEST(ParameterConstruction, UnterminatedRowNameIsCutInsideTheField) {
    ParameterDefinition row = Row(0, 1, 0, kLawLinear);
    std::memset(row.name, 'x', sizeof row.name);  // no NUL within the 64 bytes
    Parameter p(&row);
    EXPECT_EQ(std::strlen(p.name), 63u);
}

TEST(LinearLaw, ClampsBothWays) {
    ParameterDefinition row = Row(0, 1, 0.5f, kLawLinear);
    Parameter p(&row);
    EXPECT_FLOAT_EQ(p.value, 0.5f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(7), 1.0f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(-7), 0.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(-3), 0.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(2), 1.0f);
    p.value = 1.7f;  // written directly by a host, unclamped
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 1.0f);
}

TEST(LinearLaw, DegenerateRangeNormalisesToOne) {
    ParameterDefinition row = Row(3, 3, 3, kLawLinear);
    Parameter p(&row);
    EXPECT_FLOAT_EQ(p.NormaliseValue(-100), 1.0f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(3), 1.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(0.3f), 3.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(1.0f), 3.0f);
}

TEST(NormalisedClamp, NaNReadsAsTheMinimum) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ParameterDefinition linear = Row(-2, 6, 0, kLawLinear);
    Parameter p(&linear);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(nan), -2.0f);
    ParameterDefinition discrete = Row(1, 4, 1, kLawDiscrete);
    Parameter d(&discrete);
    EXPECT_FLOAT_EQ(d.UnNormaliseValue(nan), 1.0f);
    EXPECT_FLOAT_EQ(d.UnNormaliseValue(std::numeric_limits<float>::infinity()), 5.0f);
}

TEST(DiscreteLaw, StepIsSmallestPowerOfTwoNotBelowSpan) {
    const struct {
        float span;
        int step;
    } cases[] = {{1, 1},     {2, 2},     {3, 4}, {5, 8},  {8, 8},
                 {100, 128}, {257, 512}, {0, 1}, {-5, 1}, {0.5f, 1}};
    for (const auto& c : cases) {
        ParameterDefinition row = Row(10, 10 + c.span, 10, kLawDiscrete);
        Parameter p(&row);
        EXPECT_EQ(p.step, c.step) << "span " << c.span;
    }
}

TEST(DiscreteLaw, HugeOrNaNBoundsDoNotOverflowTheStep) {
    ParameterDefinition huge = Row(-3e38f, 3e38f, 0, kLawDiscrete);
    Parameter p(&huge);
    EXPECT_EQ(p.step, 1 << 30);
    ParameterDefinition nan = Row(std::numeric_limits<float>::quiet_NaN(), 1, 0, kLawDiscrete);
    Parameter q(&nan);
    EXPECT_EQ(q.step, 1);
    EXPECT_TRUE(std::isfinite(p.UnNormaliseValue(1.0f)));

    // Bounds beyond the int32 range with a small span still read back their own whole numbers.
    ParameterDefinition far = Row(1e10f, 1e10f + 4096, 1e10f, kLawDiscrete);
    Parameter f(&far);
    EXPECT_FLOAT_EQ(f.UnNormaliseValue(0.5f), 1e10f + 2048);
    ParameterDefinition below = Row(-3e9f, 0, 0, kLawDiscrete);
    Parameter b(&below);
    EXPECT_FLOAT_EQ(b.UnNormaliseValue(0.0f), -3e9f);
}

TEST(DiscreteLaw, SwitchTruncatesBelowOne) {
    ParameterDefinition row = Row(0, 1, 0, kLawDiscrete);
    Parameter p(&row);
    EXPECT_FLOAT_EQ(p.NormaliseValue(0), 0.0f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(1), 1.0f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(0.4f), 0.4f);  // no rounding on the way in
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(0.999f), 0.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(1.0f), 1.0f);
}

TEST(DiscreteLaw, OneToFourSelectorReadsOneStepAboveItsMaximumAtOne) {
    ParameterDefinition row = Row(1, 4, 1, kLawDiscrete);
    Parameter p(&row);
    EXPECT_EQ(p.step, 4);
    EXPECT_FLOAT_EQ(p.value, 0.0f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(3), 0.5f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(2.5f), 0.375f);
    EXPECT_FLOAT_EQ(p.NormaliseValue(9), 0.75f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(0.375f), 2.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(0.8f), 4.0f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(1.0f), 5.0f);
    p.value = 1.7f;
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 5.0f);
}

struct TranscendentalCase {
    int32_t law;
    float min, max;
    float mid;  // user value at normalised 0.5
};

class TranscendentalLaw : public ::testing::TestWithParam<TranscendentalCase> {};

TEST_P(TranscendentalLaw, EndsAndMiddleRoundTrip) {
    const TranscendentalCase& c = GetParam();
    ParameterDefinition row = Row(c.min, c.max, c.min, c.law);
    Parameter p(&row);
    EXPECT_NEAR(p.value, 0.0f, 1e-6);
    EXPECT_NEAR(p.UnNormaliseValue(0), c.min, 1e-4 * std::fabs(c.min) + 1e-5);
    EXPECT_NEAR(p.UnNormaliseValue(1), c.max, 1e-4 * std::fabs(c.max) + 1e-5);
    EXPECT_NEAR(p.UnNormaliseValue(0.5f), c.mid, 1e-3 * std::fabs(c.mid) + 1e-4);
    EXPECT_NEAR(p.NormaliseValue(c.mid), 0.5f, 1e-4);
    EXPECT_NEAR(p.NormaliseValue(c.max * 10 + 10), 1.0f, 1e-6);  // clamped
    EXPECT_NEAR(p.UnNormaliseValue(3.0f), c.max, 1e-4 * std::fabs(c.max) + 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Laws, TranscendentalLaw,
                         ::testing::Values(TranscendentalCase{kLawLog, 10, 1000, 100},
                                           TranscendentalCase{kLawLog2, 2, 32, 8},
                                           TranscendentalCase{kLawLog10, 20, 20000, 632.4555f},
                                           // e^x midway between e^0 and e^2: ln((1 + e^2) / 2)
                                           TranscendentalCase{kLawExp, 0, 2, 1.4337808f},
                                           TranscendentalCase{kLawPwr2, 0, 4, 3.0874628f},
                                           TranscendentalCase{kLawPwr10, 0, 2, 1.7032628f}));

TEST(PassThroughLaws, CodeAboveEightKeepsValues) {
    ParameterDefinition row = Row(0, 1, 0.25f, 9);
    Parameter p(&row);
    EXPECT_FLOAT_EQ(p.value, 0.25f);
    p.SetUnNormalisedValue(3.5f);
    EXPECT_FLOAT_EQ(p.value, 3.5f);
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 3.5f);

    ParameterDefinition custom = Row(0, 10, 7, kLawCustom);  // custom law, no subclass
    Parameter c(&custom);
    EXPECT_FLOAT_EQ(c.value, 0.0f);
    EXPECT_FLOAT_EQ(c.UnNormaliseValue(0.5f), 0.0f);
}

// A custom square law: its hooks are reached through the virtual operations once the subclass
// reruns the precomputation.
class SquareLawParameter : public Parameter {
  public:
    explicit SquareLawParameter(const ParameterDefinition* row) : Parameter(row) {
        Parameter_Precompute();
    }
    void Precompute_CustomLaw() override { ++precomputed; }
    float _CustomToNormalised(float x) const override { return std::sqrt(x / max); }
    float _NormalisedToCustom(float t) const override { return t * t * max; }
    int precomputed = 0;
};

TEST(CustomLaw, SubclassHooksServeEveryConversion) {
    ParameterDefinition row = Row(0, 100, 25, kLawCustom);
    SquareLawParameter p(&row);
    EXPECT_EQ(p.precomputed, 1);  // the base constructor ran Parameter's own hook
    EXPECT_FLOAT_EQ(p.value, 0.5f);
    EXPECT_FLOAT_EQ(p.GetUnNormalisedValue(), 25.0f);
    p.SetUnNormalisedValue(81);
    EXPECT_FLOAT_EQ(p.value, 0.9f);
    EXPECT_FLOAT_EQ(p.UnNormaliseValue(2.0f), 400.0f);  // the custom law gets t unclamped
}

}  // namespace
