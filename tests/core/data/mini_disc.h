#pragma once
// A small but complete disc for the data tests: the ten data files in their descrambled form, which a
// test changes with plain text edits and then writes scrambled into a folder, plus the language texts
// and the edition the loader needs.

#include "core/data/data_loader.h"
#include "core/foundation/codec.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

namespace morvelin::testing {

inline const char* const mini_language_texts = "$ [QM_DATA]\n"
                                               "unused 0\n"
                                               "unused 1\n"
                                               "The data file \n"
                                               "does not hold the section\n"
                                               "and cannot be used.\n"
                                               "$ [DEPARTMENT ETC]\n"
                                               "Region\n"
                                               "Province\n"
                                               "State\n"
                                               "Province/State\n";

class MiniDisc {
public:
    MiniDisc() {
        files_["mapsdata.txt"] = "@#[]\n"
                                 "SAROVAN\n"
                                 "1\n"
                                 "66.5,104.0,38.0,-11.25\n"
                                 "@#[]\n"
                                 "INDIA\n"
                                 "2\n"
                                 "68,98,36,6.5\n";
        files_["people.txt"] = "@#[]\n"
                               "KESTOVAR, ANNA\n"
                               "Anna Kestovar\n"
                               "Field ornithologist\n"
                               "anna@example.org\n"
                               "@#[]\n"
                               "BRASK, TOMAS\n"
                               "Tomas Brask\n"
                               "Sound recordist\n"
                               "\n"
                               "@#[]\n"
                               "LINDQVAL, ERIK\n"
                               "Erik Lindqval\n"
                               "\n"
                               "\n";
        files_["names_sc.txt"] = "@#[FAMILIES]\n"
                                 "Phasianidae\n"
                                 "Phasianidae\n"
                                 "Pittidae\n"
                                 "Pittidae\n"
                                 "@#[LIT. REFERENCES]\n"
                                 "Reference one.\n"
                                 "Reference two.\n"
                                 "@#[SPECIES 1]\n"
                                 "@#[]\n"
                                 "Gallus gallus\n"
                                 "101 1001\n"
                                 "ACDT,D(\"SAROVAN\" MaskMain)T(VU)\n"
                                 "IN-SR-TH\n"
                                 "1\n"
                                 "12,Author 2001%$#fgd&13,Other, 1999\n"
                                 "gallus\n"
                                 "spadiceus\n"
                                 "murghi-NOT REAL SSP\n"
                                 "\n"
                                 "ignored after the empty line\n"
                                 "@#[]\n"
                                 "Pavo cristatus\n"
                                 "102 1002\n"
                                 "AN\n"
                                 "in-sr\n"
                                 "\n"
                                 "\n"
                                 "@#[SPECIES 2]\n"
                                 "@#[]\n"
                                 "Pitta moluccensis\n"
                                 "201 2001\n"
                                 "C\n"
                                 "TH-MA-SI\n"
                                 "2\n";
        files_["taxa.txt"] = "@#[FAMILIES]\n"
                             "Pheasants and allies\n"
                             "Pittas\n"
                             "@#[SPECIES 1]\n"
                             "Red Junglefowl\n"
                             "The <I>wild</I> ancestorLINEFEED_ONLY_REPLACERof the chicken.\n"
                             "<b>Voice</b>\n"
                             "<U>Range</u>\n"
                             "Indian Peafowl\n"
                             "Peafowl text\n"
                             "\n"
                             "\n"
                             "@#[SPECIES 2]\n"
                             "Blue-winged Pitta\n";
        files_["locality.txt"] = "@#[]\n"
                                 "KHAOYAI\n"
                                 "Khao Yai\n"
                                 "Nakhon Ratchasima\n"
                                 "Thailand\n"
                                 "line four\n"
                                 "Site <B>text</B>\n"
                                 "   86415D  608400 \n"
                                 "khaoyai.htm#top\n"
                                 "@#[]\n"
                                 "ZERO\n"
                                 "ZERO LOCATION\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "\n";
        files_["big_pict.txt"] = "@#[]\n"
                                 "1001\n"
                                 "gallus (P)\n"
                                 "KESTOVAR, ANNA\n"
                                 "150398\n"
                                 "KHAOYAI\n"
                                 "\n"
                                 "Male <I>displaying</I>\n"
                                 "@#[]\n"
                                 "1001\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "NSS\n"
                                 "Habitat\n"
                                 "@#[]\n"
                                 "1002\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "NSS\n"
                                 "Egg\n";
        files_["othermedia.txt"] = "@#[]\n"
                                   "7\n"
                                   "Sounds of Sarovan 1\n"
                                   "SAROVAN BIRD SOUNDS: VOLUME ONE OF THREE\n"
                                   "text 3\n"
                                   "no\n"
                                   "text 5\n"
                                   "folder7\n"
                                   "@#[]\n"
                                   "10\n"
                                   "Sounds of Sarovan 2\n"
                                   "VOLUME TWO\n"
                                   "\n"
                                   "true\n"
                                   "\n"
                                   "cd10\n";
        files_["cutparts.txt"] = "@#[]\n"
                                 "1001A0001\n"
                                 "3\n"
                                 "45\n"
                                 "5\n"
                                 "\n"
                                 "KHAOYAI\n"
                                 "BRASK, TOMAS\n"
                                 "Dawn <i>chorus</i>\n"
                                 "second text\n"
                                 "9\n"
                                 "@#[]\n"
                                 "7C0002b\n"
                                 "CD track 03 offset -0015 length 00420 selected 1\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "KHAOYAI\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "@#[]\n"
                                 "10C0001\n"
                                 "CD track 11 offset 00020 length 00100 selected 0\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "ZERO\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "@#[]\n"
                                 "1001A0002\n"
                                 "0\n"
                                 "0\n"
                                 "\n"
                                 "\n"
                                 "ZERO\n"
                                 "\n"
                                 "\n"
                                 "\n";
        files_["cupaitem.txt"] = "@#[1_1]\n"
                                 "1\n"
                                 "A\n"
                                 "\n"
                                 "gallus (P)\n"
                                 "song\n"
                                 "P\n"
                                 "first half\n"
                                 "second half\n"
                                 "1001A0001\n"
                                 "2\n"
                                 "B\n"
                                 "?\n"
                                 "spadiceus\n"
                                 "call\n"
                                 "P\n"
                                 "only\n"
                                 "\n"
                                 "7C0002b\n"
                                 "\n"
                                 "X\n"
                                 "55\n"
                                 "\n"
                                 "<B>alarm</B>\n"
                                 "\n"
                                 "\n"
                                 "\n"
                                 "10C0001\n"
                                 "@#[2_1]\n"
                                 "1\n"
                                 "A\n"
                                 "7\n"
                                 "\n"
                                 "song\n"
                                 "P\n"
                                 "\n"
                                 "\n"
                                 "1001A0002\n";
        files_["syst_ord.txt"] = "@#[ORDERS]\n"
                                 "Clements 2000\n"
                                 "Sibley&Monroe\n"
                                 "@#[1_FAMILIES]\n"
                                 "Pittidae,Pittas\n"
                                 "Phasianidae,Pheasants, partridges\n"
                                 "Emptyidae,Nobody\n"
                                 "@#[1_SPECIES]\n"
                                 "2001,1\n"
                                 "1002,2\n"
                                 "1001,2\n"
                                 "@#[2_FAMILIES]\n"
                                 "Galliformes,Fowl\n"
                                 "@#[2_SPECIES]\n"
                                 "1002,1\n";
    }

    std::string& operator[](const std::string& name) { return files_[name]; }
    void remove(const std::string& name) { files_.erase(name); }

    // Replaces the first occurrence of from in the file; the test fails when it is not there.
    void replace(const std::string& name, const std::string& from, const std::string& to) {
        std::string& text = files_.at(name);
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from << " not in " << name;
        text.replace(at, from.size(), to);
    }

    // Writes every file scrambled into dir (scheme B for taxa.txt, scheme A for the others).
    void write(const TempDir& dir) const {
        for (const auto& [name, text] : files_) {
            std::vector<std::string> lines;
            std::size_t start = 0;
            while (start < text.size()) {
                std::size_t end = text.find('\n', start);
                if (end == std::string::npos) end = text.size();
                lines.push_back(text.substr(start, end - start));
                start = end + 1;
            }
            auto stored = encode_data_file_lines(lines, data_file_seed(name), name == "taxa.txt");
            ASSERT_TRUE(stored) << name;
            std::string bytes;
            for (const std::string& line : *stored)
                bytes += line + "\r\n";
            dir.write(name, bytes);
        }
    }

private:
    std::map<std::string, std::string> files_;
};

// The edition, language texts and a private settings file that loading needs.
class DataTest : public ::testing::Test {
protected:
    void SetUp() override {
        determine_edition_from_code(60);
        install_language_texts(Ttextfile_handler::from_bytes(mini_language_texts, "test texts"));
        saved_settings_ = environment().settings_file_path;
        environment().settings_file_path = settings_dir_.file("Morvelin.ini");
    }
    void TearDown() override { environment().settings_file_path = saved_settings_; }

    std::unique_ptr<Tdata> load() {
        disc.write(disc_dir_);
        return load_data({disc_dir_.path()});
    }
    const TempDir& disc_dir() const { return disc_dir_; }
    const TempDir& settings_dir() const { return settings_dir_; }

    MiniDisc disc;

private:
    TempDir disc_dir_;
    TempDir settings_dir_;
    std::string saved_settings_;
};

// A death-test pattern that matches text literally.
inline std::string literally(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

} // namespace morvelin::testing
