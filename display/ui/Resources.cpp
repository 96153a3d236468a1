#include "display/ui/Resources.h"

#include <QtCore/QtGlobal>
#include <mutex>

// Q_INIT_RESOURCE must be expanded outside any namespace.
static void RegisterArtwork() {
    Q_INIT_RESOURCE(vavirir);
}

void InitVavirirResources() {
    static std::once_flag once;
    std::call_once(once, RegisterArtwork);
}
