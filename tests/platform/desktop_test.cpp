#include "platform/desktop.h"
#include "scripted_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

void ensure_application() {
    static int argc = 1;
    static char name[] = "platform_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Sets environment variables for one test and restores them afterwards.
class ScopedEnvironment {
public:
    void set(const char* name, const std::string& value) {
        remember(name);
        setenv(name, value.c_str(), 1);
    }
    void unset(const char* name) {
        remember(name);
        unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    void remember(const char* name) {
        const char* v = std::getenv(name);
        saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

namespace {

TEST(Desktop, FolderContentsGoToTheTrashAndSubFoldersStay) {
    ensure_application();
    TempDir home, folder;
    ScopedEnvironment env;
    env.set("HOME", home.path());
    env.set("XDG_DATA_HOME", home.path() + "data");
    folder.write("001 Nightingale.mp3", "a");
    folder.write(".hidden", "b");
    folder.write("sub/keep.mp3", "c");

    EXPECT_TRUE(delete_folder_contents(folder.path()));
    EXPECT_FALSE(fs::exists(folder.file("001 Nightingale.mp3")));
    EXPECT_FALSE(fs::exists(folder.file(".hidden")));
    EXPECT_EQ(folder.read("sub/keep.mp3"), "c");
    EXPECT_EQ(read_file(home.path() + "data/Trash/files/001 Nightingale.mp3"), "a") << "the user can undo it";

    EXPECT_FALSE(delete_folder_contents(folder.file("missing")));
}

TEST(Desktop, OpenWithShellPassesAddressesAndDocuments) {
    ensure_application();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    EXPECT_TRUE(open_with_shell("https://www.morvelin.example/versions/3/EnterFromDiskProgramEnglish.htm"));
    EXPECT_TRUE(open_with_shell("/media/disc/Readme \xC3\xA9.html"));
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].toString().toStdString(),
              "https://www.morvelin.example/versions/3/EnterFromDiskProgramEnglish.htm");
    EXPECT_EQ(catcher.urls[1].toLocalFile().toStdString(), "/media/disc/Readme \xC3\xA9.html");
}

} // namespace

#include "desktop_test.moc"
