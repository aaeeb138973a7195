#pragma once

#include <QLoggingCategory>

// "vireo.os": platform services.
Q_DECLARE_LOGGING_CATEGORY(lcOs)
