// The core never sees Qt.
#include <QWidget>
