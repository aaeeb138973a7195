#include "QzWidgetsLogging.h"

// Debug lines are for whoever turns them on (QT_LOGGING_RULES); a normal start prints nothing.
Q_LOGGING_CATEGORY(lcWidgets, "vireo.widgets", QtInfoMsg)
