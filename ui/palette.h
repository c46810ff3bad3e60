#pragma once

#include <QColor>

namespace korvane::palette {

// The colour scheme every window of the program uses.
inline const QColor kBeige{0xE7, 0xDF, 0xAD};
inline const QColor kNavy{0x00, 0x00, 0x80};
inline const QColor kRed{0xFF, 0x00, 0x00};
inline const QColor kYellow{0xFF, 0xFF, 0x00};
inline const QColor kAmber{0xFF, 0xCF, 0x00};
inline const QColor kLime{0x00, 0xFF, 0x00};
inline const QColor kTan{0xDF, 0xBF, 0x73};
inline const QColor kGold{0xD8, 0xBE, 0x0A};
inline const QColor kCream{0xFF, 0xFF, 0xDE};

} // namespace korvane::palette
