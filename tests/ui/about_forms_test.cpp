// The introduction and the About window on the demo disc: closing the introduction, the main window's
// start-up timer that shows it, the About's credits from the data and their person pop-ups, the
// publisher's link, the OK button's place and long words.

#include "ui/windows/about_forms.h"
#include "demo_disc_fixture.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/sound/id3_tag.h"
#include "ui/display/child_form.h"
#include "ui/display/text_drawing.h"
#include "ui/display/top_forms.h"
#include "ui/pictures/info_forms.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace morvelin {
namespace {

class AboutFormsTest : public testing::DemoDiscUiTest {
protected:
    void TearDown() override {
        for (int i = top_forms().count() - 1; i >= 0; --i) delete top_forms().form(i);
        install_introduction({});
        DemoDiscUiTest::TearDown();
    }
    static void flush_deletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(AboutFormsTest, IntroductionIsUntitledCentredAndClosesOnAnyKeyOrClick) {
    const std::function<void(QWidget&)> inputs[] = {
        [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Space); },
        [](QWidget& w) { QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier); },
        [](QWidget& w) { QTest::mouseClick(&w, Qt::RightButton, {}, QPoint(300, 200)); },
        [](QWidget& w) { QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(5, 5)); },
    };
    for (const auto& input : inputs) {
        QPointer<TIntroductionForm> intro = new TIntroductionForm;
        intro->show();
        EXPECT_TRUE(intro->windowTitle().isEmpty());
        EXPECT_TRUE(intro->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(intro->size(), QSize(630, 465));
        EXPECT_TRUE(intro->has_picture());
        const QRect area = work_area_for(intro->geometry());
        EXPECT_LE(std::abs(intro->geometry().center().x() - area.center().x()), 1);
        EXPECT_LE(std::abs(intro->geometry().center().y() - area.center().y()), 1);
        input(*intro);
        flush_deletes();
        EXPECT_TRUE(intro.isNull()) << "the introduction stayed open";
        delete intro.data();
    }
}

TEST_F(AboutFormsTest, MainWindowShowsTheIntroductionOnceAfterItShows) {
    std::vector<QWidget*> shown_for;
    install_introduction([&shown_for](QWidget* main) { shown_for.push_back(main); });
    auto* main = new TChildForm;
    main->window_set_up(WindowSetUp{});
    main->start_up();
    EXPECT_TRUE(shown_for.empty()) << "shown before the main window's own first paint";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown_for.empty(); }, 10000));
    EXPECT_EQ(shown_for.front(), main);
    // An additional window shows none.
    auto* other = new TChildForm;
    WindowSetUp setup;
    setup.is_additional = true;
    other->window_set_up(setup);
    other->start_up();
    QTest::qWait(300);
    EXPECT_EQ(shown_for.size(), 1u);
}

TEST_F(AboutFormsTest, CreditsAreThePersonsOfTheDataByGroupInKeyOrderAtMostTheLimit) {
    const CreditGroups all = credited_persons(data_set());
    ASSERT_FALSE(all.texts.empty());
    ASSERT_FALSE(all.recordings.empty());
    ASSERT_FALSE(all.photos.empty());
    for (const auto* group : {&all.texts, &all.recordings, &all.photos})
        for (std::size_t i = 1; i < group->size(); ++i) EXPECT_LT((*group)[i - 1]->key, (*group)[i]->key);
    for (std::size_t i = 0; i < data_set().species_count(); ++i) {
        const Tperson* author = data_set().species_at(i).text_author;
        if (!author) continue;
        EXPECT_NE(std::find(all.texts.begin(), all.texts.end(), author), all.texts.end()) << author->key;
    }
    const std::size_t total = all.texts.size() + all.recordings.size() + all.photos.size();
    const CreditGroups few = credited_persons(data_set(), all.texts.size() + 1);
    EXPECT_EQ(few.texts, all.texts);
    EXPECT_EQ(few.recordings.size(), 1u);
    EXPECT_TRUE(few.photos.empty());
    EXPECT_EQ(credited_persons(data_set(), total + 5).photos, all.photos);
}

TEST_F(AboutFormsTest, ACreditOpensItsPersonAndThePublisherLinkAsksForTheWebWindow) {
    QWidget owner;
    owner.resize(800, 600);
    owner.show();
    auto* about = new TAboutForm(&owner);
    about->show();
    EXPECT_EQ(about->windowModality(), Qt::WindowModal);
    const CreditGroups groups = credited_persons(data_set());
    ASSERT_EQ(about->credits().size(), groups.texts.size() + groups.recordings.size() + groups.photos.size());
    EXPECT_EQ(about->credits().front().person, groups.texts.front());
    EXPECT_EQ(about->credits().back().person, groups.photos.back());
    for (const AboutCredit& credit : about->credits()) {
        EXPECT_TRUE(about->rect().contains(credit.name)) << credit.person->key;
        EXPECT_TRUE(about->point_on_underlined_item(credit.name.center().x(), credit.name.center().y()));
    }

    const AboutCredit second = about->credits()[1];
    QTest::mouseClick(about, Qt::LeftButton, {}, second.name.center());
    ASSERT_NE(about->person_form(), nullptr);
    EXPECT_TRUE(about->person_form()->isVisible());
    EXPECT_EQ(about->person_form()->title(), "\x0C\xA9 " + second.person->key + "\x0C");
    // A click elsewhere closes it; a key too.
    QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(5, about->height() - 5));
    EXPECT_FALSE(about->person_form()->isVisible());
    QTest::mouseClick(about, Qt::LeftButton, {}, second.name.center());
    QTest::keyClick(about, Qt::Key_Shift);
    EXPECT_FALSE(about->person_form()->isVisible());

    QString requested;
    QObject::connect(about, &TFormWithUnderlinedItems::web_address_requested,
                     [&requested](const QString& address) { requested = address; });
    ASSERT_FALSE(about->publisher_link().isNull());
    QTest::mouseClick(about, Qt::LeftButton, {}, about->publisher_link().center());
    EXPECT_EQ(requested, QString::fromLatin1(publisher_web_address));

    QPointer<TAboutForm> alive(about);
    QTest::keyClick(about, Qt::Key_Escape);
    flush_deletes();
    EXPECT_TRUE(alive.isNull());
}

TEST_F(AboutFormsTest, OkStaysAtTheTopRightAndTheTextRewrapsOnResize) {
    TAboutForm about(nullptr);
    about.show();
    for (int width : {640, 900, 520}) {
        about.resize(width, about.height());
        const QRect ok = about.ok_button()->geometry();
        EXPECT_EQ(ok.top(), 10) << width;
        EXPECT_EQ(about.width() - 1 - ok.right(), 10) << width;
        const TextLayout layout = layout_markup(about.text(), FontRef{});
        for (int line_width : layout.line_widths) EXPECT_LE(line_width, about.text_area().width()) << width;
        for (const AboutCredit& credit : about.credits())
            EXPECT_LE(credit.name.right(), about.text_area().right() + 1) << width;
    }
}

// A word longer than a line keeps its letters together on a line of its own.
TEST_F(AboutFormsTest, AWordLongerThanALineStaysWhole) {
    const std::string long_word(160, 'W');
    std::ifstream in(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt", std::ios::binary);
    std::stringstream file;
    file << in.rdbuf();
    std::string language = file.str();
    const std::string description = "A field guide to the birds";
    const auto at = language.find(description);
    ASSERT_NE(at, std::string::npos);
    language.insert(at, "Short " + long_word + " end ");
    testing::TempDir dir;
    dir.write("Morvelin.txt", language);
    install_language_texts(Ttextfile_handler(dir.file("Morvelin.txt")));

    TAboutForm about(nullptr);
    about.show();
    const std::string text = about.text();
    const auto word = text.find(long_word);
    ASSERT_NE(word, std::string::npos) << "the long word was broken";
    const auto is_break = [](char c) { return c == '\n' || c == markup::soft_break; };
    EXPECT_TRUE(is_break(text[word - 1]));
    EXPECT_TRUE(is_break(text[word + long_word.size()]));
    EXPECT_NE(text.find("Short"), std::string::npos);
}

} // namespace
} // namespace morvelin
