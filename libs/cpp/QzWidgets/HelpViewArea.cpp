#include "HelpViewArea.h"

#include "App.h"
#include "HelpDisplay.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QPushButton>
#include <QSignalMapper>
#include <QTimer>

namespace QzWidgets {

namespace {
// Numbers the slide buttons of every view area of the process.
int slideButtonCounter = 0;
} // namespace

HelpViewArea::HelpViewArea(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("HelpViewArea"));
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(4000);
    connect(m_pTimer, &QTimer::timeout, this, &HelpViewArea::slotShowNextSlide);

    m_pMapper = new QSignalMapper(this);
    connect(m_pMapper, &QSignalMapper::mappedString, this, &HelpViewArea::slotShowSlide);

    m_pDisplay = new HelpDisplay(this);
    if (App::theApp()->isPocketDevice())
        m_pDisplay->setMinimumSize(280, 220);
    else
        m_pDisplay->setMinimumSize(400, 300);

    m_pButtonGroup = new QButtonGroup();
    m_pButtonGroup->setExclusive(true);
    connect(m_pButtonGroup, &QButtonGroup::buttonClicked, this, &HelpViewArea::slotButtonClicked);

    m_playoutButtons = new QHBoxLayout;
    m_playoutButtons->setContentsMargins(0, 0, 0, 0);
    m_playoutButtons->setSpacing(3);
    auto* centred = new QHBoxLayout;
    centred->setContentsMargins(0, 0, 0, 0);
    centred->addStretch(1);
    centred->addLayout(m_playoutButtons);
    centred->addStretch(1);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 6, 6, 6);
    main->setSpacing(6);
    main->addWidget(m_pDisplay);
    main->addLayout(centred);
}

// The group has no parent, so it goes with the area that made it.
HelpViewArea::~HelpViewArea()
{
    delete m_pButtonGroup;
}

HelpDisplay* HelpViewArea::display() const
{
    return m_pDisplay;
}

QTimer* HelpViewArea::timer() const
{
    return m_pTimer;
}

QButtonGroup* HelpViewArea::buttonGroup() const
{
    return m_pButtonGroup;
}

QPushButton* HelpViewArea::applyItemButtonProperties(QPushButton* button, const QString& objectName)
{
    button->setFlat(true);
    button->setFixedSize(18, 18);
    button->setObjectName(objectName);
    button->setCheckable(true);
    return button;
}

void HelpViewArea::addSlide(const QString& path)
{
    auto* button = new QPushButton(QString::number(++slideButtonCounter), this);
    applyItemButtonProperties(button, QStringLiteral("HelpSlideButton"));
    m_pButtonGroup->addButton(button);
    m_playoutButtons->addWidget(button);
    connect(button, &QPushButton::toggled, m_pMapper, qOverload<>(&QSignalMapper::map));
    connect(button, &QPushButton::clicked, this, &HelpViewArea::slotStopSlideShow);
    m_pMapper->setMapping(button, path);
}

void HelpViewArea::slotButtonClicked() { }

void HelpViewArea::slotShowSlide(const QString& path)
{
    m_pDisplay->setSlide(path);
}

void HelpViewArea::slotStartSlideShow()
{
    const QList<QAbstractButton*> buttons = m_pButtonGroup->buttons();
    if (!m_pButtonGroup->checkedButton() && !buttons.isEmpty())
        buttons.first()->setChecked(true);
    m_pTimer->start();
}

void HelpViewArea::slotStopSlideShow()
{
    m_pTimer->stop();
}

void HelpViewArea::slotShowNextSlide()
{
    const QList<QAbstractButton*> buttons = m_pButtonGroup->buttons();
    if (buttons.isEmpty())
        return;
    const int checked = buttons.indexOf(m_pButtonGroup->checkedButton());
    const int next = (checked < 0 || checked + 1 >= buttons.size()) ? 0 : checked + 1;
    buttons.at(next)->setChecked(true);
}

} // namespace QzWidgets
