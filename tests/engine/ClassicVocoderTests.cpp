#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "VocoderReference.h"

#include <cmath>
#include <string>

// The classic filter-bank vocoder and the distorted vocoder that shares its bank, checked against
// the plain per-band formulation of VocoderReference.h.

namespace
{
constexpr double kFs = 48000.0;

VocoderParams vocoderParams (float attack, float release, float emphasis, float drive = 0.5f)
{
    VocoderParams p;
    p.attack = attack;
    p.release = release;
    p.hfEmphasis = emphasis;
    p.drive = drive;
    return p;
}

// Runs the engine's classic (or distorted) vocoder over whole signals in 480-sample blocks.
std::vector<float> runBank (BlendProcessor& engine, const std::vector<float>& mod, const std::vector<float>& car,
                            bool distorted, const VocoderParams& p)
{
    return harness::stream (mod, car, [&] (const float* m, const float* c, float* o, int n) {
        if (distorted)
            engine.runVocoderDistorted (0, m, c, o, n, p);
        else
            engine.runVocoderClassic (0, m, c, o, n);
    }, { 480 });
}

std::vector<float> runPlain (vocref::PlainVocoder& plain, const std::vector<float>& mod,
                             const std::vector<float>& car, bool distorted, float drive = 0.5f)
{
    std::vector<float> out (mod.size());
    for (size_t t = 0; t < mod.size(); ++t)
        out[t] = distorted ? plain.distorted (mod[t], car[t], drive) : plain.classic (mod[t], car[t]);
    return out;
}

double worstRelative (const std::vector<float>& a, const std::vector<float>& b)
{
    double worst = 0.0, peak = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
    {
        worst = std::max (worst, static_cast<double> (std::abs (a[i] - b[i])));
        peak = std::max (peak, static_cast<double> (std::abs (b[i])));
    }
    return worst / peak;
}

vocref::PlainVocoder plainBank (int bands, const VocoderParams& p)
{
    vocref::PlainVocoder plain (vocref::logEdges (bands, static_cast<float> (kFs)), static_cast<float> (kFs));
    plain.setTimes (static_cast<float> (kFs), p.attack, p.release);
    plain.setEmphasis (p.hfEmphasis);
    return plain;
}
} // namespace

TEST (ClassicVocoder, VectorisedBankMatchesThePlainPerBandFormula)
{
    struct Case
    {
        int bands;
        VocoderParams params;
    };
    const Case cases[] = {
        { 2, vocoderParams (5.0f, 50.0f, 0.0f) },     { 16, vocoderParams (0.5f, 5.0f, -12.0f) },
        { 128, vocoderParams (5.0f, 50.0f, 7.5f) },   { 512, vocoderParams (20.0f, 300.0f, 12.0f) },
        { 1024, vocoderParams (5.0f, 50.0f, 3.0f) },
    };
    const int length = 4800;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::to_string (c.bands) + " bands");
        auto engine = harness::preparedEngine (kFs);
        engine->prepareVocoderClassicIfNeeded (c.bands, 1, kFs, c.params);
        const auto out = runBank (*engine, mod, car, false, c.params);

        auto plain = plainBank (c.bands, c.params);
        EXPECT_LT (worstRelative (out, runPlain (plain, mod, car, false)), 1.0e-5);
    }
}

TEST (ClassicVocoder, SingleBandIsExactlyThePlainFormula)
{
    // One band from 20 Hz to Nyquist; its emphasis gain is 1 whatever the emphasis setting.
    for (const float emphasis : { 0.0f, 9.0f })
    {
        const auto p = vocoderParams (5.0f, 50.0f, emphasis);
        const int length = 2000;
        const auto mod = vocref::voiceLike (length, kFs);
        const auto car = vocref::sawChord (length, kFs);
        auto engine = harness::preparedEngine (kFs);
        engine->prepareVocoderClassicIfNeeded (1, 1, kFs, p);
        auto plain = plainBank (1, p);
        ASSERT_EQ (runBank (*engine, mod, car, false, p), runPlain (plain, mod, car, false));
    }
}

TEST (ClassicVocoder, TwoBandsSplitTwentyHertzToNyquistAtTheGeometricMean)
{
    // Worked by hand at 48 kHz: the ratio 24000 / 20 = 1200 is split in two equal ratios, so
    // the edges are 20, 20 * sqrt(1200) = 692.82 and 24000 Hz (centres 117.7 and 4077.7 Hz).
    const auto p = vocoderParams (5.0f, 50.0f, 0.0f);
    const int length = 4800;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderClassicIfNeeded (2, 1, kFs, p);

    vocref::PlainVocoder plain ({ 20.0f, 692.8203f, 24000.0f }, static_cast<float> (kFs));
    plain.setTimes (static_cast<float> (kFs), p.attack, p.release);
    EXPECT_LT (worstRelative (runBank (*engine, mod, car, false, p), runPlain (plain, mod, car, false)), 1.0e-4);
}

TEST (ClassicVocoder, AttackReleaseAndEmphasisChangesKeepTheBandStates)
{
    const int length = 4800;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    const int bands = 64;
    const std::vector<float> firstMod (mod.begin(), mod.begin() + length / 2), secondMod (mod.begin() + length / 2, mod.end());
    const std::vector<float> firstCar (car.begin(), car.begin() + length / 2), secondCar (car.begin() + length / 2, car.end());

    const auto before = vocoderParams (5.0f, 50.0f, 0.0f);
    const auto after = vocoderParams (20.0f, 120.0f, 6.0f);
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderClassicIfNeeded (bands, 1, kFs, before);
    auto out = runBank (*engine, firstMod, firstCar, false, before);
    engine->prepareVocoderClassicIfNeeded (bands, 1, kFs, after);
    const auto tail = runBank (*engine, secondMod, secondCar, false, after);
    out.insert (out.end(), tail.begin(), tail.end());

    auto plain = plainBank (bands, before);
    auto expected = runPlain (plain, firstMod, firstCar, false);
    plain.setTimes (static_cast<float> (kFs), after.attack, after.release);
    plain.setEmphasis (after.hfEmphasis);
    const auto expectedTail = runPlain (plain, secondMod, secondCar, false);
    expected.insert (expected.end(), expectedTail.begin(), expectedTail.end());
    EXPECT_LT (worstRelative (out, expected), 1.0e-5);
}

TEST (ClassicVocoder, BandCountChangeRestartsEveryBandFromSilence)
{
    const int length = 2400;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    const auto p = vocoderParams (5.0f, 50.0f, 2.0f);
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderClassicIfNeeded (32, 1, kFs, p);
    runBank (*engine, mod, car, false, p);

    engine->prepareVocoderClassicIfNeeded (16, 1, kFs, p);
    auto fresh = plainBank (16, p);
    EXPECT_LT (worstRelative (runBank (*engine, mod, car, false, p), runPlain (fresh, mod, car, false)), 1.0e-5);
}

TEST (ClassicVocoder, SilentModulatorFadesOutAtTheReleaseTime)
{
    // With the modulator silent the envelopes fall as exp(-t / release): over 100 ms at a 50 ms
    // release the carrier bands drop to e^-2 of their level, and eventually to nothing.
    const int length = 48000;
    auto mod = vocref::voiceLike (length, kFs);
    std::fill (mod.begin() + length / 2, mod.end(), 0.0f);
    const auto car = vocref::sawChord (length, kFs);
    const auto p = vocoderParams (5.0f, 50.0f, 0.0f);
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderClassicIfNeeded (16, 1, kFs, p);
    const auto out = runBank (*engine, mod, car, false, p);

    const int silence = length / 2;
    const double early = vocref::rms (out, silence + 4800, silence + 7200);  // 100..150 ms
    const double later = vocref::rms (out, silence + 9600, silence + 12000); // 200..250 ms
    EXPECT_NEAR (later / early, std::exp (-2.0), 0.02);
    EXPECT_LT (vocref::rms (out, length - 2400, length), 1.0e-3 * vocref::rms (out, 0, silence));
}

TEST (DistortedVocoder, OneBandAtHalfDriveIsTanhOfTheBandSum)
{
    const auto p = vocoderParams (5.0f, 50.0f, 6.0f, 0.5f);
    const int length = 2000;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderClassicIfNeeded (1, 1, kFs, p);
    auto plain = plainBank (1, p);

    std::vector<float> expected (static_cast<size_t> (length));
    for (size_t t = 0; t < expected.size(); ++t)
        expected[t] = std::tanh (plain.bandSum (mod[t], car[t], false));
    ASSERT_EQ (runBank (*engine, mod, car, true, p), expected);
}

TEST (DistortedVocoder, DriveScalesTheUnnormalisedSumIntoTanh)
{
    const int length = 4800;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    for (const float drive : { 0.0f, 0.3f, 1.0f })
    {
        SCOPED_TRACE ("drive " + std::to_string (drive));
        const auto p = vocoderParams (2.0f, 80.0f, 4.0f, drive);
        auto engine = harness::preparedEngine (kFs);
        engine->prepareVocoderClassicIfNeeded (128, 1, kFs, p);
        auto plain = plainBank (128, p);
        // tanh has a slope of at most 1, so the output stays within 1e-5 of the largest argument.
        const float gain = std::pow (10.0f, (drive - 0.5f) * 2.0f) * std::sqrt (128.0f);
        double worst = 0.0, largestArgument = 0.0;
        const auto out = runBank (*engine, mod, car, true, p);
        for (size_t t = 0; t < mod.size(); ++t)
        {
            const float argument = plain.bandSum (mod[t], car[t], false) * gain;
            largestArgument = std::max (largestArgument, static_cast<double> (std::abs (argument)));
            worst = std::max (worst, static_cast<double> (std::abs (out[t] - std::tanh (argument))));
        }
        EXPECT_LT (worst, 1.0e-5 * largestArgument);
    }
}

TEST (DistortedVocoder, ContinuesTheClassicVocodersBandStates)
{
    const int length = 2400;
    const auto mod = vocref::voiceLike (length, kFs);
    const auto car = vocref::sawChord (length, kFs);
    const auto p = vocoderParams (5.0f, 50.0f, 0.0f, 0.7f);
    auto engine = harness::preparedEngine (kFs);
    engine->prepareVocoderClassicIfNeeded (32, 1, kFs, p);
    runBank (*engine, mod, car, false, p);
    const auto out = runBank (*engine, mod, car, true, p);

    auto plain = plainBank (32, p);
    runPlain (plain, mod, car, false);
    EXPECT_LT (worstRelative (out, runPlain (plain, mod, car, true, 0.7f)), 1.0e-5);
}
