#include "JoinDialog.h"

#include "App.h"
#include "Common.h"
#include "JoinWidget.h"
#include "PanelDialogLayout.h"

namespace QzWidgets {

JoinDialog::JoinDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Join us"));
    setObjectName(QStringLiteral("Dialog"));
    layOutPanelDialog(this, nullptr, new JoinWidget(this), tr("&Close"), App::theApp()->isPocketDevice());
    Common::fitPushButtons(this);
}

} // namespace QzWidgets
