#pragma once

#include <cstring>
#include <type_traits>

// A value derived from a parameter record and the sample rate (filter coefficients, gains from
// decibels), derived again only when either changed. The designs take powers, exponentials and
// cosines, while the dials stand still for almost every block.
template <typename Params, typename Derived>
class ParamCache
{
public:
    static_assert (std::is_trivially_copyable_v<Params>, "records are compared byte for byte");

    template <typename Derive>
    const Derived& get (const Params& params, double sampleRate, Derive&& derive) noexcept
    {
        if (! valid || rate != sampleRate || std::memcmp (&params, &source, sizeof (Params)) != 0)
        {
            value = derive (params, sampleRate);
            source = params;
            rate = sampleRate;
            valid = true;
        }
        return value;
    }

    void reset() noexcept { valid = false; }

private:
    Params source {};
    Derived value {};
    double rate = 0.0;
    bool valid = false;
};
