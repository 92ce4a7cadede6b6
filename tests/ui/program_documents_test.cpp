#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"
#include "ui/display/child_form.h"
#include "ui/display/top_forms.h"
#include "ui/foundation/program_documents.h"
#include "ui/windows/window_registry.h"
#include "ui_application.h"
#include "url_catcher.h"

#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <gtest/gtest.h>

#include <filesystem>

using namespace morvelin;
using namespace morvelin::testing;
namespace fs = std::filesystem;

namespace {

class ProgramDocumentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        saved_ = environment();
        fs::create_directories(root_.file("bin"));
        fs::create_directories(root_.file("share/morvelin"));
        environment().program_folder = root_.file("bin/");
        QDesktopServices::setUrlHandler("file", &catcher_, "open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler("file");
        environment() = saved_;
    }

    TempDir root_;
    Environment saved_;
    UrlCatcher catcher_;
    ScriptedMessages messages_;
};

} // namespace

TEST_F(ProgramDocumentsTest, BesideTheProgramComesBeforeTheInstalledCopy) {
    EXPECT_FALSE(program_document("Morvelin.html"));
    write_file(root_.file("share/morvelin/Morvelin.html"), "<html></html>");
    EXPECT_EQ(program_document("Morvelin.html"), root_.file("share/morvelin/Morvelin.html"));
    write_file(root_.file("bin/Morvelin.html"), "<html></html>");
    EXPECT_EQ(program_document("Morvelin.html"), root_.file("bin/Morvelin.html"));
}

TEST_F(ProgramDocumentsTest, OpensTheDocumentWithTheDesktopOrSaysWhatIsMissing) {
    WindowRegistry registry;
    write_file(root_.file("share/morvelin/Readme.html"), "<html></html>");
    EXPECT_EQ(registry.open(program_document_request(nullptr, "Readme.html", "", true)), nullptr)
        << "the desktop shows it, no window of the program";
    ASSERT_EQ(catcher_.urls.size(), 1u);
    EXPECT_EQ(catcher_.urls[0].toLocalFile().toStdString(), root_.file("share/morvelin/Readme.html"));
    EXPECT_TRUE(messages_.shown().empty());

    EXPECT_EQ(registry.open(program_document_request(nullptr, "Morvelin.html", "", true)), nullptr);
    EXPECT_EQ(registry.open(program_document_request(nullptr, "Morvelin.html", "contents")), nullptr);
    EXPECT_EQ(catcher_.urls.size(), 1u) << "nothing is handed to the desktop";
    ASSERT_EQ(messages_.shown().size(), 2u);
    EXPECT_EQ(messages_.shown()[0].flags, mb::icon_error);
    EXPECT_NE(messages_.shown()[0].text.find("Morvelin.html"), std::string::npos);
    EXPECT_EQ(registry.find(WindowKind::help), nullptr);
}

// The help opens in the program's own window at the anchor; the read-me goes to the desktop.
TEST_F(ProgramDocumentsTest, HelpMenuShowsTheHelpAtItsContentsAndOpensTheReadme) {
    install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
    determine_edition_from_code(60);
    environment().settings_file_path = root_.file("Morvelin.ini");
    std::string long_page = "<html><head><title>Help of the test</title></head><body>";
    for (int i = 0; i < 300; ++i) long_page += "<p>Line " + std::to_string(i) + "</p>";
    long_page += "<h2 id=\"contents\">Contents</h2></body></html>";
    write_file(root_.file("bin/Morvelin.html"), long_page);
    write_file(root_.file("bin/Readme.html"), "<html></html>");
    WindowRegistry registry;
    {
        TChildForm form;
        form.window_set_up(WindowSetUp{});
        registry.attach(form);
        QMenu* help = form.menuBar()->actions().at(4)->menu();
        const auto menus = texts("MENUS", 18);
        for (int line : {17, 18}) {
            const QString caption = QString::fromStdString(menus[line] + "...");
            auto actions = help->actions();
            auto it = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == caption; });
            ASSERT_NE(it, actions.end()) << caption.toStdString();
            EXPECT_TRUE((*it)->isEnabled());
            (*it)->trigger();
        }
        QWidget* viewer = registry.find(WindowKind::help);
        ASSERT_TRUE(viewer);
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(viewer->parentWidget(), &form) << "the help never keeps the program running alone";
        EXPECT_EQ(viewer->windowTitle(), "Help of the test");
        auto* browser = viewer->findChild<QTextBrowser*>();
        ASSERT_TRUE(browser);
        EXPECT_EQ(browser->source().toLocalFile().toStdString(), root_.file("bin/Morvelin.html"));
        EXPECT_GT(browser->verticalScrollBar()->value(), 0) << "scrolled to the anchor at the end";
    }
    EXPECT_EQ(registry.find(WindowKind::help), nullptr) << "closes with its window";
    ASSERT_EQ(catcher_.urls.size(), 1u);
    EXPECT_EQ(catcher_.urls[0].toLocalFile().toStdString(), root_.file("bin/Readme.html"));
    EXPECT_TRUE(messages_.shown().empty());
}

// The catcher's meta-object, made once for the test program.
#include "moc_url_catcher.cpp"
