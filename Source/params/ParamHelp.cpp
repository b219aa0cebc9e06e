#include "params/ParamHelp.h"
#include "params/ParameterTable.h"

#include <cstring>

namespace
{
constexpr bool everyRowNamesAParameterOnce()
{
    for (int i = 0; i < kNumParamHelpEntries; ++i)
    {
        if (paramIndex (kParamHelp[i].paramId) < 0)
            return false;
        for (int j = 0; j < i; ++j)
            if (sameText (kParamHelp[j].paramId, kParamHelp[i].paramId))
                return false;
    }
    return true;
}
static_assert (everyRowNamesAParameterOnce(), "a help row names no parameter, or a parameter twice");
} // namespace

const char* findParamHelp (const char* paramId) noexcept
{
    if (paramId == nullptr)
        return nullptr;
    for (const auto& entry : kParamHelp)
        if (std::strcmp (entry.paramId, paramId) == 0)
            return entry.help;
    return nullptr;
}

juce::String withHelp (const juce::String& text, const char* paramId)
{
    const char* help = findParamHelp (paramId);
    if (help == nullptr || *help == 0)
        return text;
    return text + ". " + juce::String (juce::CharPointer_UTF8 (help));
}
