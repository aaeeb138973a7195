#include "TellDialog.h"

#include "App.h"
#include "Common.h"
#include "PanelDialogLayout.h"
#include "TellWidget.h"

namespace QzWidgets {

TellDialog::TellDialog(QWidget* parent)
    : QDialog(parent)
{
    const QString name = QCoreApplication::applicationName();
    setWindowTitle(QStringLiteral("Share ") + name);
    setObjectName(QStringLiteral("Dialog"));
    const bool pocket = App::theApp()->isPocketDevice();
    const QString open = pocket ? QStringLiteral("<H4>") : QStringLiteral("<H3>");
    const QString close = pocket ? QStringLiteral("</H4>") : QStringLiteral("</H3>");
    auto* text = new QLabel(QStringLiteral("<CENTER>") + open + tr("If you like \"") + name + QLatin1Char('"')
            + tr(", <br>please share it with your friends.<br>Thanks!") + close + QStringLiteral("</CENTER>"),
        this);
    layOutPanelDialog(this, text, new TellWidget(this), tr("&Close"), pocket);
    Common::fitPushButtons(this);
}

} // namespace QzWidgets
