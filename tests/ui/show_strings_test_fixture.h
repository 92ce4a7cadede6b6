#pragma once
// A species document over a small disc, for the document, view and pane tests: the mini disc of the
// data tests with more species, texts and recordings, loaded as the one data set, with the demo
// language texts, edition 106 and a private settings file.
//
// Families in order 1: 1 Phasianidae (Gallus gallus: text, 3 items of which 2 countable; Pavo: no
// text, no items, one uncounted photo), 2 Pittidae (Pitta moluccensis: one item; Pitta extra 2..13:
// texts of varying length, no media).

#include "../core/data/mini_disc.h"
#include "core/data/data_loader.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"
#include "ui_application.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvelin::testing {

inline void add_extra_pittas(MiniDisc& disc, int count) {
    std::string names, taxa;
    for (int i = 2; i < 2 + count; ++i) {
        names += "@#[]\nPitta extra" + std::to_string(i) + "\n" + std::to_string(200 + i) + " " +
                 std::to_string(2000 + i) + "\n\nTH\n1\n\n";
        taxa += "Extra Pitta " + std::to_string(i) + "\nAlso called Jewel Thrush " + std::to_string(i) + "\n";
        std::string text;
        for (int w = 0; w < i * 6; ++w)
            text += "word" + std::to_string(w) + " ";
        taxa += text + "\n\n";
    }
    disc.replace("names_sc.txt", "201 2001\nC\nTH-MA-SI\n2\n", "201 2001\nC\nTH-MA-SI\n2\n" + names);
    disc["taxa.txt"] += "\nThe pitta text.\n\n" + taxa;
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
        determine_edition_from_code(60);
        saved_settings_ = environment().settings_file_path;
        environment().settings_file_path = settings_dir_.file("Morvelin.ini");
        add_extra_pittas(disc, 12);
        prepare_disc();
        disc.write(disc_dir_);
        install_data_set(load_data({disc_dir_.path()}));
        data = &data_set();
        settings = SHST_TClassShowStringsData::create_default(*data);
        // Every species and every recording, whatever its media.
        settings.visible.only_with_sounds_or_photos = false;
        settings.visible.carriers.visible_cds = {1, 2};
        settings.visible.carriers.playable_cds = {1, 2};
        form = std::make_unique<TShowForm>();
        form->resize(800, 600);
        form->show();
    }
    void TearDown() override {
        form.reset();
        install_data_set(nullptr);
        environment().settings_file_path = saved_settings_;
    }
    // Changes to the disc before it is written.
    virtual void prepare_disc() {}

    TShowStrings& doc() { return form->strings(); }
    void build() { form->set_up(nullptr, TShowStringsViewState::initial(), &settings); }

    // Paints the pane into an image through its paint event.
    QImage paint(bool active = false) {
        form->set_active_pane(active);
        QImage image(form->viewport()->size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        form->viewport()->render(&image);
        return image;
    }

    std::vector<std::uint8_t> kinds() {
        std::vector<std::uint8_t> out;
        for (TShowStringsLine* l = doc().head(); l; l = l->next)
            out.push_back(l->kind);
        return out;
    }
    TShowStringsLine* find_line(std::uint8_t kind, const std::string& text = {},
                                TShowStringsLine* from = nullptr) {
        for (TShowStringsLine* l = from ? from : doc().head(); l; l = l->next) {
            if (l->kind == kind && (text.empty() || plain_text(l->text).find(text) != std::string::npos))
                return l;
        }
        return nullptr;
    }
    TShowStringsLine* species_fold(const std::string& scientific) {
        for (TShowStringsLine* l = doc().head(); l; l = l->next) {
            if (l->kind == line_kind::species_fold && l->species->scientific_name == scientific) return l;
        }
        return nullptr;
    }
    // The point in the middle of a line's bitmap, in document coordinates.
    QPoint bitmap_centre(const TShowStringsLine& line, int index) {
        const ShowBitmap& b = show_bitmap_entry(index);
        const int shift = TShowFonts::instance().metrics(FontRef{}).ascent() - 2 -
                          (TShowFonts::instance().metrics(FontRef{}).capHeight() + 1) / 2;
        return QPoint(line.painted_x + b.offset.x() + b.width / 2,
                      line.bottom() + shift + b.offset.y() + b.height / 2);
    }

    MiniDisc disc;
    Tdata* data = nullptr;
    SHST_TClassShowStringsData settings;
    std::unique_ptr<TShowForm> form;

protected:
    TempDir disc_dir_;
    TempDir settings_dir_;

private:
    std::string saved_settings_;
};

} // namespace morvelin::testing
