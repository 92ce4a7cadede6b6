#include "ui/foundation/web_address.h"

#include <QDesktopServices>

namespace morvelin {

bool open_web_address(QWidget*, const QUrl& address) {
    return QDesktopServices::openUrl(address);
}

} // namespace morvelin
