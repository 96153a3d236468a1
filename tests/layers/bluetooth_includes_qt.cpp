// The Bluetooth library stays free of Qt, so the command line links it without Qt.
#include <QObject>
