#include "widgets/font_substitutions.h"

#include <QFont>
#include <QString>

namespace korvane {

void RegisterFontSubstitutions() {
    const QString liberationSans = QStringLiteral("Liberation Sans");
    const QString dejaVuSans = QStringLiteral("DejaVu Sans");
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), liberationSans);
    QFont::insertSubstitution(QStringLiteral("Arial"), liberationSans);
    QFont::insertSubstitution(QStringLiteral("Verdana"), dejaVuSans);
    QFont::insertSubstitution(QStringLiteral("Wingdings"), dejaVuSans);
}

} // namespace korvane
