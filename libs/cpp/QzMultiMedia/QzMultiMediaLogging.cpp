#include "QzMultiMediaLogging.h"

Q_LOGGING_CATEGORY(lcMultiMedia, "vireo.multimedia")
