#pragma once

#include "engine/BlendParams.h"

// The constants of the math modes' shaping chain for one setting of the dials: a tilt of the two
// inputs against each other around 700 Hz, a balance between them and a drive into tanh before
// the operation; a "tame" soft limiter, a drive makeup and a partial half-wave rectifier after it.
struct MathShape
{
    bool tiltActive = false;
    float tilt = 0.0f;         // -1..1, positive favours role1's highs and role2's lows
    float weight1 = 1.0f;      // balance gain of the role1 side
    float weight2 = 1.0f;      // balance gain of the role2 side
    float dc = 0.0f;           // added to the role1 side of Multiply only
    bool driveActive = false;
    float driveGain = 1.0f;    // up to +30 dB into tanh
    float makeup = 1.0f;       // pulls the driven result back down
    float tame = 1.0f;         // soft-limit ceiling; 1 except for Divide, XOR and Sign Multiply
    float rectify = 0.0f;      // 0..1 share of the negative half removed
    float lowPassCoeff = 0.0f; // one-pole low-pass at 700 Hz

    static MathShape fromParams (const MathParams&, double sampleRate) noexcept;
};

// The inputs and work arrays of one piece of one or two channels of a math mode.
struct MathSides
{
    const float* role1[2];
    const float* role2[2];
    float* side1[2];
    float* side2[2];
};
