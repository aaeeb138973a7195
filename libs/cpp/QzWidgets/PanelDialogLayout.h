#pragma once

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace QzWidgets {

// The frame the share and join dialogs share: an optional text, the panel centred, a close button below.
inline void layOutPanelDialog(QDialog* dialog, QLabel* text, QWidget* panel, const QString& closeText, bool pocket)
{
    auto* close = new QPushButton(closeText, dialog);
    close->setMinimumHeight(32);
    close->setFlat(true);
    close->setObjectName(QStringLiteral("PushButton"));
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);

    auto* panelRow = new QHBoxLayout;
    panelRow->setSpacing(7);
    panelRow->setContentsMargins(15, 15, 15, 15);
    panelRow->addStretch(1);
    panelRow->addWidget(panel);
    panelRow->addStretch(1);

    QBoxLayout* buttonRow = pocket ? static_cast<QBoxLayout*>(new QVBoxLayout) : new QHBoxLayout;
    buttonRow->setContentsMargins(10, 10, 10, 10);
    buttonRow->setSpacing(7);
    buttonRow->addStretch(1);
    buttonRow->addWidget(close);
    buttonRow->addStretch(1);

    auto* main = new QVBoxLayout(dialog);
    main->setSpacing(7);
    main->setContentsMargins(10, 10, 10, 10);
    if (text)
        main->addWidget(text);
    main->addLayout(panelRow);
    main->addLayout(buttonRow);
}

} // namespace QzWidgets
