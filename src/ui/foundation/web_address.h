#pragma once
// Opening a web address (a site description page, a person's site) for a window. For now every
// address goes to the desktop's web browser; the program's own web window will take them over here.
// Tests catch the addresses with QDesktopServices::setUrlHandler.

#include <QString>
#include <QUrl>

#include <optional>

class QWidget;

namespace morvelin {

// Opens address for owner (the window the address belongs to); false when nothing could open it.
bool open_web_address(QWidget* owner, const QUrl& address);

// The address a link text stands for when it clearly is a web or mail address (http://, https://,
// mailto:, or www. taken as http://); none for anything else, which stays plain text.
std::optional<QUrl> web_link(const QString& address);

} // namespace morvelin
