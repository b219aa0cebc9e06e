#pragma once

#include "engine/DelayLine.h"
#include "params/BlendModeRegistry.h"

// What shapes the engine's structure: the mode, the operation of the math modes and, for the
// modes built on frames or bands, the resolution. Two blocks with equal settings run the same
// algorithm; any other dial only moves its values.
struct BlendSetting
{
    BlendMode mode = Math;
    MathOp op = Multiply;
    int resolution = 0;

    bool operator== (const BlendSetting& o) const noexcept
    {
        return mode == o.mode && op == o.op && resolution == o.resolution;
    }
    bool operator!= (const BlendSetting& o) const noexcept { return ! (*this == o); }
};

// A change of setting, as heard. The new setting first runs unheard beside the old one for as
// many samples as its latency (so that a frame mode's frames are full of the signal that came
// in after the change, and a delay line holds it), then the two cross over a short linear
// fade, which starts with a block: the dry paths move to the new latency over the same fade,
// and the latency told to the host changes in that block. A change that arrives while one is
// under way waits for it to end. Pass-through (no sidechain) hands over to the blend the same
// way.
struct BlendTransition
{
    enum class Source
    {
        none,        // nothing played since preparation: the first setting starts at once
        passThrough, // Audio 1 passed through
        setting      // the blend of `heard`
    };

    Source heardSource = Source::none;
    BlendSetting heard, next;
    int heardLatency = 0, nextLatency = 0;
    bool pending = false; // `next` runs beside what is heard
    int warmupLeft = 0;   // samples `next` still runs unheard
    LinearFade crossfade; // runs from the block it starts in to its end

    bool fading() const noexcept { return crossfade.running(); }

    // The latency of what this block plays, once `begin` has run for it.
    int latency() const noexcept { return fading() ? nextLatency : heardLatency; }

    // The start of a block whose dials ask for `wanted`. True when a change starts here.
    bool begin (BlendSetting wanted, int wantedLatency, int crossfadeSamples) noexcept
    {
        if (heardSource == Source::none)
        {
            heardSource = Source::setting;
            heard = wanted;
            heardLatency = wantedLatency;
            return false;
        }
        bool started = false;
        if (! pending && (heardSource == Source::passThrough || wanted != heard))
        {
            pending = true;
            next = wanted;
            nextLatency = wantedLatency;
            warmupLeft = wantedLatency;
            crossfade = {};
            started = true;
        }
        if (pending && ! fading() && warmupLeft <= 0)
            crossfade.start (crossfadeSamples);
        return started;
    }

    // The new setting's share `offset` samples into the current chunk.
    float weightAt (int offset) const noexcept
    {
        return fading() ? crossfade.weightAt (offset) : 0.0f;
    }

    void advance (int n) noexcept
    {
        if (! pending)
            return;
        if (! fading())
        {
            warmupLeft -= n;
            return;
        }
        crossfade.advance (n);
        if (! crossfade.running())
        {
            heardSource = Source::setting;
            heard = next;
            heardLatency = nextLatency;
            pending = false;
        }
    }

    // A block passed Audio 1 through at `latency`: whatever was under way is dropped.
    void passedThrough (int latency) noexcept
    {
        heardSource = Source::passThrough;
        heardLatency = latency;
        pending = false;
        crossfade = {};
    }
};
