#pragma once

#include <QDate>
#include <QString>

namespace QzWidgets {

// Turns the compiler's date text ("Mmm dd yyyy") into the build's "M/d/yyyy" form and back into a date.
// Kept apart from the application object so that any date text can be fed to it.
class BuildInfo
{
public:
    static QString compileDateText();
    static QString buildText(const QString& compileDate);
    static QDate dateFromBuildText(const QString& buildText);
};

} // namespace QzWidgets
