#include "platform/desktop.h"
#include "scripted_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

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

TEST(Desktop, ExecuteProgramWaitsAndReportsFailures) {
    ensure_application();
    TempDir dir;
    ScriptedMessages messages;
    ExecuteOptions wait;
    wait.wait = true;
    EXPECT_TRUE(execute_program("", "/bin/sh -c \"echo done > '" + dir.file("out 1.txt") + "'\"", wait));
    EXPECT_EQ(dir.read("out 1.txt"), "done\n");
    EXPECT_TRUE(execute_program("/bin/sh", "-c \"echo again > '" + dir.file("out 2.txt") + "'\"", wait));
    EXPECT_EQ(dir.read("out 2.txt"), "again\n");
    EXPECT_TRUE(messages.shown().empty());

    EXPECT_FALSE(execute_program("/nonexistent/editor", "sound.wav", wait));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text.rfind(
                  "Could not execute \"/nonexistent/editor sound.wav\".\nError code is ", 0),
              0u)
        << messages.shown()[0].text;
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);

    messages.clear();
    EXPECT_FALSE(execute_program("", "/bin/sh -c \"kill -9 $$\"", wait));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "Something went wrong when waiting for the process \"/bin/sh -c \"kill -9 $$\"\" to return!");

    messages.clear();
    EXPECT_FALSE(execute_program("", "/nonexistent/editor", {}));
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST(Desktop, ExecuteProgramWithoutWaitingRunsOnItsOwn) {
    ensure_application();
    TempDir dir;
    ScriptedMessages messages;
    ASSERT_TRUE(execute_program("", "/bin/sh -c \"echo started > '" + dir.file("out.txt") + "'\""));
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(dir.file("out.txt")) && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(dir.file("out.txt")));
}

TEST(Desktop, OpenWithShellPassesAddressesAndDocuments) {
    ensure_application();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    EXPECT_TRUE(open_with_shell("https://www.morvelin.example/versions/3/EnterFromDiskProgramEnglish.htm"));
    EXPECT_TRUE(open_with_shell("/media/disc/Readme \xE9.html"));
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].toString().toStdString(),
              "https://www.morvelin.example/versions/3/EnterFromDiskProgramEnglish.htm");
    EXPECT_EQ(catcher.urls[1].toLocalFile().toStdString(), "/media/disc/Readme \xC3\xA9.html");
}

TEST(Desktop, PersonalDocumentsFolderOnlyWhenItExists) {
    ensure_application();
    TempDir home;
    ScopedEnvironment env;
    env.set("HOME", home.path());
    env.set("XDG_CONFIG_HOME", home.path() + ".config");
    env.unset("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(personal_documents_folder(), "");
    fs::create_directory(home.file("Documents"));
    EXPECT_EQ(personal_documents_folder(), home.path() + "Documents/");
}

} // namespace

#include "desktop_test.moc"
