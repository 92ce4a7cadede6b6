#pragma once
// Takes the addresses the program hands to the desktop (install it with
// QDesktopServices::setUrlHandler(scheme, &catcher, "open")).

#include <QObject>
#include <QUrl>

#include <vector>

namespace morvelin::testing {

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls.push_back(url); }

public:
    std::vector<QUrl> urls;
};

} // namespace morvelin::testing
