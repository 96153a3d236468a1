// The connection is core: it never sees Qt.
#include <QObject>
