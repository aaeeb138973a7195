#include "BuildInfo.h"

#include <array>
#include <utility>

namespace QzWidgets {

QString BuildInfo::compileDateText()
{
    // The date on which this file was last compiled: a clean build (as CI and packaging do) stamps its day.
    return QStringLiteral(__DATE__);
}

QString BuildInfo::buildText(const QString& compileDate)
{
    static const std::array<std::pair<const char*, const char*>, 12> months = { {
        { "Jan", "1" },
        { "Feb", "2" },
        { "Mar", "3" },
        { "Apr", "4" },
        { "May", "5" },
        { "Jun", "6" },
        { "Jul", "7" },
        { "Aug", "8" },
        { "Sep", "9" },
        { "Oct", "10" },
        { "Nov", "11" },
        { "Dec", "12" },
    } };
    QString text = compileDate.simplified().replace(QLatin1Char(' '), QLatin1Char('/'));
    for (const auto& [abbreviation, number] : months)
        text.replace(QLatin1String(abbreviation), QLatin1String(number));
    return text;
}

QDate BuildInfo::dateFromBuildText(const QString& buildText)
{
    return QDate::fromString(buildText, QStringLiteral("M/d/yyyy"));
}

} // namespace QzWidgets
