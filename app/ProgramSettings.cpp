#include "app/ProgramSettings.h"

CProgramSettings::CProgramSettings(QObject* parent)
    : QSettings(QStringLiteral("vavirir"), QStringLiteral("vavirir"), parent) {}
