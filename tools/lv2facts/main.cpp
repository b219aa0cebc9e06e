#include "params/ParameterTable.h"

#include <cstdio>
#include <cstring>

// Writes what the LV2 description needs to know of each host parameter and the framework's
// generator does not write: its unit and its value type. One line per parameter, tab-separated:
// identifier, unit (a CURIE of the LV2 units vocabulary, or "-"), value type ("float",
// "whole", "choice" or "switch"). The build hands the file to scripts/lv2-ttl-fixup.
// Usage: quorvane-lv2-facts OUTPUT_FILE

namespace
{
struct UnitName
{
    const char* ours;
    const char* lv2;
};
const UnitName kLv2Units[] = {
    { ParamUnit::hertz, "units:hz" },
    { ParamUnit::decibels, "units:db" },
    { ParamUnit::milliseconds, "units:ms" },
    { ParamUnit::percent, "units:pc" },
};

const char* lv2UnitOf (const ParamSpec& row)
{
    if (row.unit == nullptr)
        return "-";
    for (const auto& unit : kLv2Units)
        if (std::strcmp (unit.ours, row.unit) == 0)
            return unit.lv2;
    return nullptr;
}

const char* valueTypeOf (const ParamSpec& row)
{
    switch (row.kind)
    {
        case ParamSpec::Kind::Bool: return "switch";
        case ParamSpec::Kind::Choice: return "choice";
        case ParamSpec::Kind::Float: break;
    }
    return row.wholeSteps ? "whole" : "float";
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: quorvane-lv2-facts OUTPUT_FILE\n");
        return 2;
    }
    std::FILE* out = std::fopen (argv[1], "w");
    if (out == nullptr)
    {
        std::fprintf (stderr, "quorvane-lv2-facts: cannot write %s\n", argv[1]);
        return 1;
    }
    int status = 0;
    for (const auto& row : kParamTable)
    {
        const char* unit = lv2UnitOf (row);
        if (unit == nullptr)
        {
            std::fprintf (stderr, "quorvane-lv2-facts: %s has a unit LV2 has no name for: %s\n", row.id, row.unit);
            status = 1;
            continue;
        }
        std::fprintf (out, "%s\t%s\t%s\n", row.id, unit, valueTypeOf (row));
    }
    if (std::fclose (out) != 0)
        status = 1;
    return status;
}
