#pragma once

#include <QLoggingCategory>

// "vireo.multimedia": the audio engine.
Q_DECLARE_LOGGING_CATEGORY(lcMultiMedia)
