#pragma once

// The editor's colour theme as the saved state sees it: a dark / light choice. The palettes
// themselves belong to the user interface, which defines these two functions beside them, so
// the state code can keep and restore the theme without drawing anything.
namespace QV
{
bool isDarkThemeActive() noexcept;
void setDarkThemeActive (bool dark) noexcept;
} // namespace QV
