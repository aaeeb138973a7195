#pragma once

#include <QString>

// The application-wide style sheet, installed once at start-up before any widget exists.
extern QString strVireoStyle;
