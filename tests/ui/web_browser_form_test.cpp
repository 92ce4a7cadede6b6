// The web window and the routing of web addresses, with a plain widget for a view (no web engine):
// the desktop first or the program's window as the settings say, the remembered window, pages from
// the disc at their anchors, and which addresses from the data are opened at all.

#include "ui/windows/web_browser_form.h"

#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"
#include "ui/display/child_form.h"
#include "ui/display/options_form.h"
#include "ui/display/top_forms.h"
#include "ui/pictures/map_form.h"
#include "ui/windows/window_registry.h"
#include "ui_application.h"
#include "url_catcher.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace morvelin {
namespace {

class WebBrowserFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ui_application();
        saved_ = environment();
        environment().settings_file_path = dir_.file("Morvelin.ini");
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
        determine_edition_from_code(60);
        install_web_view_factory([this](QWidget* parent) -> QWidget* {
            ++views_made_;
            return engine_ ? new QWidget(parent) : nullptr;
        });
        for (const char* scheme : {"http", "https", "mailto"}) QDesktopServices::setUrlHandler(scheme, &desktop_, "open");
    }
    void TearDown() override {
        for (const char* scheme : {"http", "https", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        delete_web_browser_forms();
        install_web_view_factory({});
        environment() = saved_;
    }
    void set_browser(bool integrated, bool one_window) {
        settings_write_yes_no(dir_.file("Morvelin.ini"), "GENERAL", "Use Integrated Web Browser", integrated);
        settings_write_yes_no(dir_.file("Morvelin.ini"), "GENERAL", "Use Only One Web Browser Window", one_window);
    }
    static std::vector<TWebBrowserForm*> forms() {
        std::vector<TWebBrowserForm*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TWebBrowserForm*>(w)) out.push_back(form);
        return out;
    }
    static QUrl shown(const TWebBrowserForm& form) { return form.view()->property("url").toUrl(); }
    static void flush_deletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    testing::TempDir dir_;
    Environment saved_;
    testing::UrlCatcher desktop_;
    bool engine_ = true;
    int views_made_ = 0;
};

const QUrl first("https://example.org/one"), second("https://example.org/two#part");

TEST_F(WebBrowserFormTest, WithoutTheIntegratedBrowserTheDesktopGetsTheAddress) {
    set_browser(false, true);
    EXPECT_TRUE(open_web_address(nullptr, first));
    EXPECT_EQ(desktop_.urls, std::vector<QUrl>{first});
    EXPECT_TRUE(forms().empty());
    EXPECT_EQ(views_made_, 0) << "a web view was made for the desktop's address";
}

TEST_F(WebBrowserFormTest, DesktopFailingFallsBackToTheWindowAndNoEngineToTheDesktop) {
    QDesktopServices::unsetUrlHandler("https");
    set_browser(false, true);
    // The offscreen platform opens nothing itself: the program's window shows the address.
    EXPECT_TRUE(open_web_address(nullptr, first));
    ASSERT_EQ(forms().size(), 1u);
    EXPECT_EQ(shown(*forms().front()), first);

    delete_web_browser_forms();
    QDesktopServices::setUrlHandler("https", &desktop_, "open");
    set_browser(true, true);
    engine_ = false;
    EXPECT_TRUE(open_web_address(nullptr, second));
    EXPECT_EQ(desktop_.urls, std::vector<QUrl>{second});
    EXPECT_TRUE(forms().empty()) << "a window without a view stayed";
}

TEST_F(WebBrowserFormTest, OneWindowTakesEveryAddress) {
    set_browser(true, true);
    EXPECT_EQ(views_made_, 0);
    ASSERT_TRUE(open_web_address(nullptr, first));
    ASSERT_TRUE(open_web_address(nullptr, second));
    ASSERT_EQ(forms().size(), 1u);
    TWebBrowserForm& form = *forms().front();
    EXPECT_EQ(&form, remembered_web_browser_form());
    EXPECT_EQ(views_made_, 1);
    EXPECT_EQ(form.windowTitle(), "URL: https://example.org/two#part");
    EXPECT_EQ(shown(form), second);
    EXPECT_EQ(form.size(), QSize(696, 480));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.parentWidget(), nullptr);
    EXPECT_TRUE(desktop_.urls.empty());
    // Closed, it only hides; shown again it goes back to its address.
    form.view()->setProperty("url", QUrl("https://example.org/elsewhere"));
    form.close();
    flush_deletes();
    ASSERT_EQ(forms().size(), 1u);
    EXPECT_FALSE(form.isVisible());
    form.show();
    EXPECT_EQ(shown(form), second);
}

TEST_F(WebBrowserFormTest, WithoutOneWindowEachAddressGetsItsOwnAndOnlyTheFirstIsKept) {
    set_browser(true, false);
    ASSERT_TRUE(open_web_address(nullptr, first));
    ASSERT_TRUE(open_web_address(nullptr, second));
    ASSERT_EQ(forms().size(), 2u);
    QPointer<TWebBrowserForm> kept = remembered_web_browser_form();
    ASSERT_TRUE(kept);
    EXPECT_EQ(shown(*kept), first);
    QPointer<TWebBrowserForm> other = forms().front() == kept ? forms().back() : forms().front();
    EXPECT_EQ(shown(*other), second);
    other->close();
    kept->close();
    flush_deletes();
    EXPECT_TRUE(other.isNull()) << "a second window stayed after closing";
    ASSERT_FALSE(kept.isNull()) << "the first window was freed";
    EXPECT_FALSE(kept->isVisible());
    // Turned to one window, the kept one answers.
    set_browser(true, true);
    ASSERT_TRUE(open_web_address(nullptr, second));
    EXPECT_EQ(forms().size(), 1u);
    EXPECT_TRUE(kept->isVisible());
    EXPECT_EQ(shown(*kept), second);
}

TEST_F(WebBrowserFormTest, TheRememberedWindowOutlivesThePopUpThatOpenedIt) {
    set_browser(true, true);
    auto* main = new QWidget;
    auto* pop_up = new QWidget(main, Qt::Tool);
    pop_up->show();
    ASSERT_TRUE(open_web_address(pop_up, first));
    QPointer<TWebBrowserForm> form = remembered_web_browser_form();
    delete pop_up;
    delete main;
    ASSERT_FALSE(form.isNull());
    ASSERT_TRUE(open_web_address(nullptr, second));
    EXPECT_EQ(remembered_web_browser_form(), form.data());
    EXPECT_EQ(shown(*form), second);
}

// Closing the last other window ends the message loop while a web window still shows: File > Exit
// closes the main window only.
TEST_F(WebBrowserFormTest, AWebWindowShowingDoesNotKeepTheProgramRunning) {
    set_browser(true, false);
    for (QWidget* w : QApplication::topLevelWidgets())
        ASSERT_FALSE(w->isVisible()) << "a window of another test still shows";
    QWidget main;
    main.show();
    ASSERT_TRUE(open_web_address(&main, first));
    ASSERT_TRUE(open_web_address(&main, second));
    ASSERT_EQ(forms().size(), 2u);
    for (TWebBrowserForm* form : forms()) ASSERT_TRUE(form->isVisible());
    bool last_closed = false;
    const auto connection = QObject::connect(qApp, &QGuiApplication::lastWindowClosed, [&] {
        last_closed = true;
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(0, &main, &QWidget::close);
    // Only a hang would reach this; it ends the loop with a failure instead.
    QTimer hang;
    hang.setSingleShot(true);
    QObject::connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    hang.start(30000);
    const bool quit_on_last = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QGuiApplication::setQuitOnLastWindowClosed(quit_on_last);
    QObject::disconnect(connection);
    EXPECT_TRUE(last_closed) << "the web windows kept the program running";
}

// A page from the disc whose folder holds blanks and "#", at the anchor the locality names.
TEST_F(WebBrowserFormTest, ASiteDescriptionShowsAtItsAnchor) {
    set_browser(true, true);
    const std::string base = dir_.path() + "Disc #2 copy/";
    std::filesystem::create_directories(base + "localities");
    dir_.write("Disc #2 copy/localities/north ridge.htm", "<html><a name=\"spot\">x</a></html>");
    environment().base_directory = base;
    Tlocality locality;
    locality.key = "NR";
    locality.text_7 = "north ridge.htm#spot";
    ASSERT_TRUE(open_site_description(nullptr, locality));
    ASSERT_EQ(forms().size(), 1u);
    const QUrl url = shown(*forms().front());
    EXPECT_EQ(url.toLocalFile().toStdString(), base + "localities/north ridge.htm");
    EXPECT_EQ(url.fragment(), "spot");
    EXPECT_EQ(forms().front()->windowTitle().toStdString(),
              "URL: " + base + "localities/north ridge.htm#spot");
}

// Links of the data open only what clearly is a web or mail address.
TEST_F(WebBrowserFormTest, OnlyWebAndMailAddressesFromTheDataOpen) {
    set_browser(true, true);
    WindowRegistry registry;
    struct Case {
        const char* text;
        const char* in_window; // empty: no window
        const char* to_desktop; // empty: the desktop is not asked
    } cases[] = {{"javascript:alert(1)", "", ""},
                 {"file:///etc/passwd", "", ""},
                 {"JAVASCRIPT:void(0)", "", ""},
                 {"  www.example.org/birds", "http://www.example.org/birds", ""},
                 {"https://example.org/a b", "https://example.org/a%20b", ""},
                 {"mailto:someone@example.org", "", "mailto:someone@example.org"}};
    for (const Case& c : cases) {
        delete_web_browser_forms();
        desktop_.urls.clear();
        WindowRequest request;
        request.kind = WindowKind::web;
        request.text = QString::fromUtf8(c.text);
        registry.open(request);
        if (*c.in_window) {
            ASSERT_EQ(forms().size(), 1u) << c.text;
            EXPECT_EQ(shown(*forms().front()).toString(QUrl::FullyEncoded).toStdString(), c.in_window) << c.text;
        } else {
            EXPECT_TRUE(forms().empty()) << c.text;
        }
        ASSERT_EQ(desktop_.urls.size(), *c.to_desktop ? 1u : 0u) << c.text;
        if (*c.to_desktop) {
            EXPECT_EQ(desktop_.urls.front().toString().toStdString(), c.to_desktop);
        }
    }
}

TEST_F(WebBrowserFormTest, RecentInformationOpensTheEditionsAddress) {
    set_browser(true, true);
    ASSERT_FALSE(edition().version_check_address.empty());
    WindowRegistry registry;
    auto* main = new TChildForm;
    main->window_set_up(WindowSetUp{});
    registry.attach(*main);
    QAction* recent = nullptr;
    for (QAction* menu : main->menuBar()->actions())
        if (menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text().contains("Recent information")) recent = item;
    ASSERT_NE(recent, nullptr);
    ASSERT_TRUE(recent->isEnabled());
    recent->trigger();
    ASSERT_EQ(forms().size(), 1u);
    EXPECT_EQ(shown(*forms().front()).toString().toStdString(), edition().version_check_address);
}

// Unticking the integrated browser locks the one-window box at its value; saving keeps both.
TEST_F(WebBrowserFormTest, TheOneWindowBoxKeepsItsValueWhileTheBrowserIsOff) {
    TFrameWebBrowserSettings frame(nullptr);
    for (const bool one : {false, true}) {
        settings::GeneralSettings general;
        general.use_integrated_web_browser = true;
        general.use_only_one_web_browser_window = one;
        frame.load(general);
        EXPECT_TRUE(frame.use_only_one_window()->isEnabled());
        frame.use_integrated_browser()->click();
        EXPECT_FALSE(frame.use_only_one_window()->isEnabled());
        EXPECT_EQ(frame.use_only_one_window()->isChecked(), one);
        settings::GeneralSettings saved;
        saved.use_integrated_web_browser = true;
        saved.use_only_one_web_browser_window = !one;
        frame.save(saved);
        EXPECT_FALSE(saved.use_integrated_web_browser);
        EXPECT_EQ(saved.use_only_one_web_browser_window, one);
        frame.use_integrated_browser()->click();
        EXPECT_TRUE(frame.use_only_one_window()->isEnabled());
        EXPECT_EQ(frame.use_only_one_window()->isChecked(), one);
    }
    settings::GeneralSettings off;
    off.use_integrated_web_browser = false;
    off.use_only_one_web_browser_window = true;
    frame.load(off);
    EXPECT_FALSE(frame.use_only_one_window()->isEnabled());
    EXPECT_TRUE(frame.use_only_one_window()->isChecked());
}

} // namespace
} // namespace morvelin
