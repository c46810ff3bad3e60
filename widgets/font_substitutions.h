#pragma once

#include <QChar>

namespace korvane {

// The windows name the fonts they were drawn with ("MS Sans Serif", "Arial",
// "Verdana", "Wingdings"); Linux has none of them. This maps each family to one the
// program's packages install: Liberation Sans, metric-compatible with Arial, for
// "Arial" and "MS Sans Serif"; DejaVu Sans for "Verdana" and "Wingdings". Call it once
// at start-up, before the first window is built.
void RegisterFontSubstitutions();

// The tick a "Wingdings" label shows. Wingdings draws it for the character "ü"; the
// substitute draws the check mark by its own code point.
inline constexpr QChar kWingdingsTick{0x2714};

} // namespace korvane
