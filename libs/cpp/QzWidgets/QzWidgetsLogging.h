#pragma once

#include <QLoggingCategory>

// "vireo.widgets": the application object, directories and dialogs.
Q_DECLARE_LOGGING_CATEGORY(lcWidgets)
