#include "ui/foundation/web_address.h"

namespace morvelin {

std::optional<QUrl> web_link(const QString& address) {
    const QString a = address.trimmed();
    std::optional<QUrl> url;
    if (a.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) url = QUrl(QLatin1String("http://") + a);
    for (const char* scheme : {"http://", "https://", "mailto:"})
        if (a.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) url = QUrl(a);
    if (url && !url->isValid()) url.reset();
    return url;
}

} // namespace morvelin
