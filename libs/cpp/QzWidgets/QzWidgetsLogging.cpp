#include "QzWidgetsLogging.h"

Q_LOGGING_CATEGORY(lcWidgets, "vireo.widgets")
