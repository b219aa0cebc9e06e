#include "params/ParameterTable.h"

// The table's own consistency, checked once while compiling.

namespace
{
constexpr bool everyIdOnce() noexcept
{
    for (int i = 0; i < kNumParameters; ++i)
        if (paramIndex (kParamTable[i].id) != i)
            return false;
    return true;
}
} // namespace

static_assert (everyIdOnce(), "a parameter identifier appears in two rows");
static_assert (choiceCount (kTargetChoices) == kNumDialSlots, "one Mod 2 Target choice per dial slot");
