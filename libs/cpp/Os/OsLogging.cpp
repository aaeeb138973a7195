#include "OsLogging.h"

Q_LOGGING_CATEGORY(lcOs, "vireo.os")
