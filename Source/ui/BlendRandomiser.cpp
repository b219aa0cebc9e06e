#include "ui/BlendRandomiser.h"
#include "params/BlendModeRegistry.h"
#include "params/ParameterTable.h"

#include <cmath>
#include <iterator>

namespace BlendRandomiser
{
namespace
{
// The motif pattern repeats a motif of 4 or 8 steps over the cycle; the accent pattern puts
// four accents a quarter of the cycle apart; the pulse pattern spreads 4 to 7 hits evenly.
constexpr int kShortMotif = 4;
constexpr int kLongMotif = 8;
constexpr int kNumAccents = 4;
constexpr int kAccentSpacing = kNumSteps / kNumAccents;
constexpr int kMinPulseHits = 4;
constexpr int kMaxPulseHits = 7;

// Indexed by PatternKind.
constexpr const char* kPatternKindNames[] = { "walk", "pattern", "accent", "pulse", "curve" };
constexpr int kNumPatternKinds = (int) std::size (kPatternKindNames);

float clampUnit (float v) noexcept { return juce::jlimit (-1.0f, 1.0f, v); }
float nextU (juce::Random& random) { return random.nextFloat(); }

// Half away from zero, as std::round does; written out so the intent is plain at call sites.
double roundHalfAway (double v) noexcept { return std::round (v); }

Steps walk (juce::Random& random)
{
    Steps v {};
    v[0] = nextU (random) * 1.6f - 0.8f;
    for (size_t i = 1; i < v.size(); ++i)
        v[i] = clampUnit (v[i - 1] + nextU (random) * 0.6f - 0.3f);
    return v;
}

Steps motif (juce::Random& random)
{
    Steps v {};
    const int length = random.nextInt (2) == 0 ? kShortMotif : kLongMotif;
    float m[kLongMotif] {};
    for (int j = 0; j < length; ++j)
        m[j] = nextU (random) * 2.0f - 1.0f;

    for (int r = 0; r < kNumSteps / length; ++r)
    {
        const int variation = r == 0 ? 0 : random.nextInt (5);
        const float amount = nextU (random) * 0.2f + 0.3f;
        for (int j = 0; j < length; ++j)
        {
            float x = m[j];
            switch (variation)
            {
                case 1: x = m[j] + amount; break;
                case 2: x = m[j] - amount; break;
                case 3: x = m[length - 1 - j]; break;
                case 4: x = -m[j]; break;
                default: break;
            }
            v[(size_t) (r * length + j)] = clampUnit (x);
        }
    }
    return v;
}

Steps accent (juce::Random& random)
{
    Steps v {};
    bool marked[kNumSteps] {};
    const float sign = random.nextInt (2) == 0 ? -1.0f : 1.0f;
    const int o = random.nextInt (100);
    const int offset = o < 15 ? 1 : o < 30 ? 2 : o < 45 ? 3 : 0;
    const bool tails = nextU (random) < 0.6f;
    const int tailLength = random.nextInt (3) + 2;
    const float decay = nextU (random) * 0.35f + 0.4f;
    float amp[kNumAccents];
    for (int k = 0; k < kNumAccents; ++k)
        amp[k] = (nextU (random) * 0.3f + 0.7f) * ((k % 2) == 1 ? sign : 1.0f);

    if (tails)
    {
        for (int k = 0; k < kNumAccents; ++k)
        {
            const int p = offset + kAccentSpacing * k;
            float x = amp[k];
            for (int j = 1; j <= tailLength; ++j)
            {
                x *= decay;
                v[(size_t) ((p + j) % kNumSteps)] = x;
                marked[(p + j) % kNumSteps] = true;
            }
        }
    }
    for (int k = 0; k < kNumAccents; ++k)
    {
        const int p = offset + kAccentSpacing * k;
        v[(size_t) p] = amp[k];
        marked[p] = true;
    }
    for (int i = 0; i < kNumSteps; ++i)
        if (! marked[i])
            v[(size_t) i] = nextU (random) * 0.4f - 0.2f;

    for (auto& x : v)
        x = clampUnit (x);
    return v;
}

Steps pulse (juce::Random& random)
{
    Steps v {};
    const int hits = random.nextInt (kMaxPulseHits - kMinPulseHits + 1) + kMinPulseHits;
    int position[kMaxPulseHits] {};
    float amp[kMaxPulseHits] {};
    for (int h = 0; h < hits; ++h)
    {
        position[h] = (kNumSteps * h) / hits;
        const bool negative = random.nextInt (2) != 0;
        amp[h] = (nextU (random) * 0.2f + 0.8f) * (negative ? -1.0f : 1.0f);
    }
    const bool tails = nextU (random) < 0.6f;
    const int tailLength = random.nextInt (3) + 2;
    const float decay = nextU (random) * 0.35f + 0.4f;

    if (tails)
    {
        for (int h = 0; h < hits; ++h)
        {
            float x = amp[h];
            for (int j = 1; j <= tailLength; ++j)
            {
                x *= decay;
                v[(size_t) ((position[h] + j) % kNumSteps)] = x;
            }
        }
    }
    for (int h = 0; h < hits; ++h)
        v[(size_t) position[h]] = amp[h];
    for (auto& x : v)
        if (x == 0.0f)
            x = nextU (random) * 0.1f - 0.05f;

    for (auto& x : v)
        x = clampUnit (x);
    return v;
}

Steps curve (juce::Random& random)
{
    Steps v {};
    const int shape = random.nextInt (5);
    const float phase = nextU (random) * juce::MathConstants<float>::twoPi;
    for (int i = 0; i < kNumSteps; ++i)
    {
        const float t = (float) i / (float) (kNumSteps - 1); // 0 at the first step, 1 at the last
        float base = 0.0f;
        switch (shape)
        {
            case 0: base = 2.0f * t - 1.0f; break;
            case 1: base = 1.0f - 2.0f * t; break;
            case 2: base = 8.0f * t * (1.0f - t) - 1.0f; break;
            case 3: base = 1.0f - 8.0f * t * (1.0f - t); break;
            default: base = std::sin (2.0f * juce::MathConstants<float>::twoPi * t + phase); break;
        }
        v[(size_t) i] = clampUnit (base + nextU (random) * 0.16f - 0.08f);
    }
    return v;
}
} // namespace

int modeIndexForDraw (int r) noexcept
{
    int sum = 0;
    for (int i = 0; i < kNumBlendModeEntries; ++i)
    {
        sum += kBlendModeRegistry[i].randomWeight;
        if (sum > r)
            return i;
    }
    return kNumBlendModeEntries - 1;
}

int drawModeIndex (juce::Random& random)
{
    int total = 0;
    for (const auto& entry : kBlendModeRegistry)
        total += entry.randomWeight;
    return modeIndexForDraw (random.nextInt (total));
}

double dialValueForDraw (double lo, double hi, double step, double u) noexcept
{
    double v = lo + (hi - lo) * u;
    if (step > 0.0)
        v = lo + step * roundHalfAway ((v - lo) / step);
    return v < lo ? lo : juce::jmin (v, hi);
}

double mathDriveForDraw (double u) noexcept
{
    return juce::jlimit (0.0, 100.0, roundHalfAway (50.0 * u * u));
}

const char* patternKindName (int kind) noexcept
{
    return kind >= 0 && kind < kNumPatternKinds ? kPatternKindNames[kind] : "";
}

Steps generatePattern (juce::Random& random, int kind)
{
    switch (kind)
    {
        case Walk: return walk (random);
        case Pattern: return motif (random);
        case Accent: return accent (random);
        case Pulse: return pulse (random);
        default: return curve (random);
    }
}

Steps drawPattern (juce::Random& random, int& kindOut)
{
    kindOut = random.nextInt (kNumPatternKinds);
    return generatePattern (random, kindOut);
}

Steps quantise (const Steps& values) noexcept
{
    Steps q {};
    for (size_t i = 0; i < values.size(); ++i)
        q[i] = (float) juce::jlimit (-1.0, 1.0, roundHalfAway ((double) values[i] * 100.0) / 100.0);
    return q;
}

LengthChoice drawLength (juce::Random& random, int numBarsItems)
{
    LengthChoice c;
    while (c.barsIndex < numBarsItems - 1 && ! (nextU (random) < 0.5f))
        ++c.barsIndex;

    const float u = nextU (random);
    c.divIndex = u < 0.5f ? 0 : u < 0.75f ? 1 : 2;

    auto ratio = [&c] {
        const int bi = juce::jlimit (0, 8, c.barsIndex);
        return (double) kBarsTable[bi] / (double) (c.divIndex + 1);
    };

    const double r = ratio();
    if (r < 1.0)
    {
        if (nextU (random) < 0.5f)
            c.divIndex = 0;
    }
    else if (c.divIndex != 0 && std::abs (r - std::round (r)) < 1e-9)
    {
        c.divIndex = 0; // a whole number of bars reads better as "N / 1"
    }

    const double r2 = ratio();
    if (r2 > 4.0)
    {
        c = {};
    }
    else if (r2 > 2.0)
    {
        if (nextU (random) < 0.5f)
            c = {};
    }
    return c;
}

double drawSmoothing (juce::Random& random)
{
    if (nextU (random) < 0.75f)
        return 100.0;
    return random.nextDouble() * 100.0;
}
} // namespace BlendRandomiser
