#pragma once
// Which texts from the data are web addresses. Opening one is open_web_address()
// (ui/windows/web_browser_form.h).

#include <QString>
#include <QUrl>

#include <optional>

namespace morvelin {

// The address a link text stands for when it clearly is a web or mail address (http://, https://,
// mailto:, or www. taken as http://); none for anything else, which stays plain text.
std::optional<QUrl> web_link(const QString& address);

} // namespace morvelin
