// The literature, threatened-status and audio CD pop-ups of the species text on the demo disc: their
// texts, links and sizes, their placement near the owner's edges, and how the main window's pane opens
// them through the window registry.

#include "ui/pictures/info_forms.h"
#include "demo_disc_fixture.h"

#include "core/data/data_loader.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "demo_disc.h"
#include "scripted_services.h"
#include "ui/display/child_form.h"
#include "ui/display/show_form.h"
#include "ui/display/text_drawing.h"
#include "ui/windows/window_registry.h"
#include "ui_application.h"
#include "url_catcher.h"

#include <QDesktopServices>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace morvelin {
namespace {

class ReferenceFormsTest : public testing::DemoDiscUiTest {
protected:
    void SetUp() override {
        DemoDiscUiTest::SetUp();
        if (HasFatalFailure()) return;
        QDesktopServices::setUrlHandler("https", &catcher_, "open");
        owner_ = std::make_unique<QWidget>();
        owner_->setGeometry(100, 100, 600, 400);
        owner_->show();
    }
    void TearDown() override {
        owner_.reset();
        QDesktopServices::unsetUrlHandler("https");
        DemoDiscUiTest::TearDown();
    }
    QPoint at(int x, int y) const { return owner_->mapToGlobal(QPoint(x, y)); }
    // A wrapped text as one line: line breaks become spaces, runs of spaces one.
    static std::string unwrapped(const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '\n' || c == markup::soft_break) c = ' ';
            if (c == ' ' && !out.empty() && out.back() == ' ') continue;
            out += c;
        }
        return out;
    }
    static int line_height() { return TShowFonts::instance().line_height(); }
    // Clicks the middle of the form's first link (painting the form first finds its links).
    static void click_link(TFormWithUnderlinedItems& form) {
        form.grab();
        ASSERT_FALSE(form.underlines().empty());
        const QRect link = form.underlines().front();
        QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(link.center().x(), link.top() - 2));
    }

    testing::UrlCatcher catcher_;
    std::unique_ptr<QWidget> owner_;
};

TEST_F(ReferenceFormsTest, LiteratureHasALinePerReferenceAndStopsAtAnUnknownNumber) {
    const auto& titles = data_set().literature_references;
    ASSERT_GE(titles.size(), 2u);
    Tspecies species;
    species.literature = {
        {2, "p. 12"}, {1, "pl. 3"}, {static_cast<int>(titles.size()) + 1, "p. 99"}, {1, "p. 7"}};
    TLiteratureReferencesForm form(owner_.get());
    form.set_up(at(10, 10), species);
    const std::string expected = "p. 12 in " + titles[1] + "\npl. 3 in " + titles[0];
    EXPECT_EQ(form.text(), expected);
    EXPECT_EQ(form.line_count(), 2);
    const auto widths = layout_markup(expected, FontRef{}).line_widths;
    EXPECT_EQ(form.width(), std::max(widths[0], widths[1]) + 20);
    EXPECT_EQ(form.height(), 3 * line_height());
    EXPECT_FALSE(form.open_web_address_on_click);

    species.literature = {{0, "p. 1"}, {1, "p. 2"}};
    form.set_up(at(10, 10), species);
    EXPECT_EQ(form.line_count(), 0);
}

TEST_F(ReferenceFormsTest, ThreatenedStatusNamesTheCategoriesAndLinksToThePublisher) {
    TThreatenedStatusExplicationForm form(owner_.get());
    QString requested;
    QObject::connect(&form, &TFormWithUnderlinedItems::web_address_requested,
                     [&requested](const QString& address) { requested = address; });
    form.set_up(at(10, 10), {"Vulnerable", "Endangered", "Critically endangered"});
    const std::string text = unwrapped(form.text());
    EXPECT_NE(text.find("\x0C\x10Vulnerable\x10\x0C"), std::string::npos);
    EXPECT_NE(text.find("\x0C\x10"
                        "Critically endangered\x10\x0C"),
              std::string::npos);
    EXPECT_NE(text.find("Facing an extremely high risk"), std::string::npos);
    EXPECT_NE(text.find("\x0CThreatened Birds of the World 2004\x0C"), std::string::npos);
    EXPECT_NE(text.find("\x0D"
                        "Birdlife International\x0D."),
              std::string::npos);
    EXPECT_EQ(form.width(), 300);
    EXPECT_EQ(form.height(), (form.line_count() + 1) * line_height());
    click_link(form);
    EXPECT_EQ(requested, QString::fromLatin1(threatened_birds_publisher_address));
}

TEST_F(ReferenceFormsTest, AnAudioCDLinksOnlyToAWebAddress) {
    TaudioCD cd;
    cd.text_1 = "Forest Voices";
    cd.text_3 = "Songs of the forest.";
    struct Case {
        const char* address;
        bool always_available;
        bool link;
    } cases[] = {{"https://example.org/cds", false, true}, {"www.example.org", false, true},
                 {"https://example.org/cds", true, false}, {"javascript:alert(1)", false, false},
                 {"file:///etc/passwd", false, false},     {"", false, false}};
    TAboutAudioCDForm form(owner_.get());
    for (const Case& c : cases) {
        cd.text_6 = c.address;
        cd.always_available = c.always_available;
        form.set_up(at(10, 10), cd);
        EXPECT_EQ(form.windowTitle(), "Forest Voices");
        EXPECT_EQ(form.open_web_address_on_click, c.link) << c.address;
        EXPECT_EQ(unwrapped(form.text()).find("publisher's web site") != std::string::npos, c.link) << c.address;
        EXPECT_EQ(form.text().rfind("Songs of the forest.", 0), 0u);
        EXPECT_EQ(form.height(), (form.line_count() + 1) * line_height());
    }
    cd.text_6 = "www.example.org";
    cd.always_available = false;
    form.set_up(at(10, 10), cd);
    EXPECT_EQ(form.web_address, "http://www.example.org");
}

TEST_F(ReferenceFormsTest, PopUpsNearTheOwnersEdgesEndFivePixelsInside) {
    // The shortest title, so that the form fits into its owner.
    const auto& titles = data_set().literature_references;
    const auto shortest = std::min_element(titles.begin(), titles.end(),
                                           [](const auto& a, const auto& b) { return a.size() < b.size(); });
    Tspecies species;
    species.literature = {{static_cast<int>(shortest - titles.begin()) + 1, "p. 1"}};
    TaudioCD cd;
    cd.text_3 = "About.";
    TLiteratureReferencesForm literature(owner_.get());
    TThreatenedStatusExplicationForm threatened(owner_.get());
    TAboutAudioCDForm audio_cd(owner_.get());
    const QRect inside = owner_->geometry();
    for (const QPoint corner : {QPoint(590, 10), QPoint(10, 390), QPoint(599, 399)}) {
        literature.set_up(at(corner.x(), corner.y()), species);
        threatened.set_up(at(corner.x(), corner.y()), {"a", "b", "c"});
        audio_cd.set_up(at(corner.x(), corner.y()), cd);
        for (const QWidget* form : {static_cast<QWidget*>(&literature), static_cast<QWidget*>(&threatened),
                                    static_cast<QWidget*>(&audio_cd)}) {
            const QRect g = form->frameGeometry();
            EXPECT_LE(g.right(), inside.right() - 5) << form->objectName().toStdString();
            EXPECT_LE(g.bottom(), inside.bottom() - 5) << form->objectName().toStdString();
            EXPECT_GE(g.left(), inside.left());
            EXPECT_GE(g.top(), inside.top());
            if (corner.x() > 500) {
                EXPECT_EQ(g.right(), inside.right() - 5);
            }
            if (corner.y() > 300) {
                EXPECT_EQ(g.bottom(), inside.bottom() - 5);
            }
        }
    }
}

TEST_F(ReferenceFormsTest, ThePaneOpensThemAndEmptyLinksOpenNothing) {
    WindowRegistry registry;
    registry.register_window(WindowKind::literature, literature_window_factory());
    registry.register_window(WindowKind::threatened_status, threatened_status_window_factory());
    registry.register_window(WindowKind::audio_cd, audio_cd_window_factory());
    registry.register_window(WindowKind::person, person_window_factory());
    TChildForm main;
    main.window_set_up(WindowSetUp{});
    registry.attach(main);
    const QPoint point = main.mapToGlobal(QPoint(20, 20));

    const Tspecies* with_literature = nullptr;
    for (std::size_t i = 0; i < data_set().species_count() && !with_literature; ++i)
        if (!data_set().species_at(i).literature.empty()) with_literature = &data_set().species_at(i);
    ASSERT_NE(with_literature, nullptr);
    emit main.pane()->literature_requested(with_literature, point);
    auto* literature = qobject_cast<TLiteratureReferencesForm*>(registry.find(WindowKind::literature, &main));
    ASSERT_NE(literature, nullptr);
    EXPECT_TRUE(literature->isVisible());
    EXPECT_EQ(literature->parentWidget(), &main);
    EXPECT_GE(literature->line_count(), 1);

    emit main.pane()->threatened_status_requested(with_literature, "Vulnerable", point);
    auto* threatened =
        qobject_cast<TThreatenedStatusExplicationForm*>(registry.find(WindowKind::threatened_status, &main));
    ASSERT_NE(threatened, nullptr);
    EXPECT_NE(threatened->text().find("\x0C\x10"
                                      "Critically endangered\x10\x0C"),
              std::string::npos);
    // The publisher link goes through the registry to the web.
    click_link(*threatened);
    ASSERT_EQ(catcher_.urls.size(), 1u);
    EXPECT_EQ(catcher_.urls[0], QUrl(QString::fromLatin1(threatened_birds_publisher_address)));

    const TaudioCD& cd = *data_set().audio_cds().front();
    emit main.pane()->audio_cd_requested(&cd, point);
    auto* audio_cd = qobject_cast<TAboutAudioCDForm*>(registry.find(WindowKind::audio_cd, &main));
    ASSERT_NE(audio_cd, nullptr);
    EXPECT_EQ(audio_cd->windowTitle().toStdString(), cd.text_1);

    registry.close_pop_ups(&main);
    Tspecies without;
    emit main.pane()->literature_requested(&without, point);
    EXPECT_FALSE(literature->isVisible());
    // A recordist link that names nobody opens no person.
    emit main.pane()->recordist_requested(nullptr, point);
    EXPECT_EQ(registry.find(WindowKind::person, &main), nullptr);
}

} // namespace
} // namespace morvelin
