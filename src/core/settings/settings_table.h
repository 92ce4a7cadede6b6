#pragma once
// The machinery behind the settings sections: each section is a plain struct with one table that
// names, for every member, its key, its default and the values it may take. Reading goes through the
// table, so every number is range-checked where it is read; writing goes through it too, so the keys
// and their order are spelt in one place.

#include "core/foundation/settings_file.h"

#include <algorithm>
#include <span>
#include <string>
#include <type_traits>
#include <variant>

namespace morvelin::settings {

// What a stored number outside the field's range becomes.
enum class OutOfRange {
    clamp,       // the nearest allowed value (sizes, counts, pauses)
    use_default, // the default (choices: an order kind, a device number)
};

// Group bits: a section may write only some of its fields (a window without data writes its place
// only); fields default to group 1.
using Groups = unsigned;
constexpr Groups all_groups = ~0u;

template <class S> struct IntField {
    const char* key;
    int S::*member;
    int def;
    int min;
    int max;
    OutOfRange out_of_range = OutOfRange::clamp;
    Groups group = 1;
};

template <class S> struct BoolField {
    const char* key;
    bool S::*member;
    bool def;
    Groups group = 1;
};

template <class S> struct TextField {
    const char* key;
    std::string S::*member;
    const char* def;
    Groups group = 1;
};

// The default of a number set is the empty set; sections whose default depends on the data set fill
// it in before reading.
template <class S> struct SetField {
    const char* key;
    NumberSet S::*member;
    Groups group = 1;
};

template <class S> using Field = std::variant<IntField<S>, BoolField<S>, TextField<S>, SetField<S>>;
template <class S> using FieldTable = std::span<const Field<S>>;

// A stored number brought into the field's range.
template <class S> int in_range(const IntField<S>& f, int value) {
    if (value >= f.min && value <= f.max) return value;
    if (f.out_of_range == OutOfRange::use_default) return f.def;
    return std::clamp(value, f.min, f.max);
}

// The table's defaults (number sets empty).
template <class S> S defaults_of(FieldTable<S> table) {
    S s{};
    for (const auto& field : table) {
        std::visit(
            [&](const auto& f) {
                using F = std::decay_t<decltype(f)>;
                if constexpr (std::is_same_v<F, SetField<S>>)
                    (s.*f.member).clear();
                else
                    s.*f.member = f.def;
            },
            field);
    }
    return s;
}

// Every field whose key is stored replaces the struct's value; absent keys leave it alone.
template <class S>
void read_fields(const SettingsReader& reader, const std::string& section, FieldTable<S> table, S& s) {
    for (const auto& field : table) {
        std::visit(
            [&](const auto& f) {
                using F = std::decay_t<decltype(f)>;
                if constexpr (std::is_same_v<F, IntField<S>>)
                    s.*f.member = in_range(f, reader.read_integer(section, f.key, s.*f.member));
                else if constexpr (std::is_same_v<F, BoolField<S>>)
                    s.*f.member = reader.read_yes_no(section, f.key, s.*f.member);
                else if constexpr (std::is_same_v<F, TextField<S>>)
                    s.*f.member = reader.read_string(section, f.key, s.*f.member);
                else
                    s.*f.member = reader.read_number_set(section, f.key, s.*f.member);
            },
            field);
    }
}

// Adds the writes of the fields in groups, in table order; with before, only of those that differ.
template <class S>
void write_fields(SettingsChanges& changes, const std::string& section, FieldTable<S> table, const S& s,
                  Groups groups = all_groups, const S* before = nullptr) {
    for (const auto& field : table) {
        std::visit(
            [&](const auto& f) {
                using F = std::decay_t<decltype(f)>;
                if (!(f.group & groups)) return;
                if (before && s.*f.member == before->*f.member) return;
                if constexpr (std::is_same_v<F, IntField<S>>)
                    changes.write_integer(section, f.key, s.*f.member);
                else if constexpr (std::is_same_v<F, BoolField<S>>)
                    changes.write_yes_no(section, f.key, s.*f.member);
                else if constexpr (std::is_same_v<F, TextField<S>>)
                    changes.write_string(section, f.key, s.*f.member);
                else
                    changes.write_number_set(section, f.key, s.*f.member);
            },
            field);
    }
}

// Adds the write of the one field that holds member.
template <class S, class T>
void write_field(SettingsChanges& changes, const std::string& section, FieldTable<S> table, const S& s,
                 T S::*member) {
    for (const auto& field : table) {
        std::visit(
            [&](const auto& f) {
                if constexpr (std::is_same_v<decltype(f.member), T S::*>) {
                    if (f.member == member) write_fields(changes, section, FieldTable<S>(&field, 1), s);
                }
            },
            field);
    }
}

// What an options page binds to: the values as stored, the values being edited, and the three steps
// of every page. Traits gives `static FieldTable<S> fields()`.
template <class S> class SettingsModel {
public:
    // defaults: the values of absent keys (the table's defaults, or ones that depend on the data).
    SettingsModel(std::string section, S defaults, std::string file = {})
        : section_(std::move(section)), file_(std::move(file)), stored_(std::move(defaults)),
          edited_(stored_) {}

    // Reads the section: stored and edited become the file's values.
    void load() {
        read_fields(SettingsReader(file_), section_, S::fields(), stored_);
        edited_ = stored_;
    }
    // Writes the fields whose edited value differs from the stored one; true when there were any.
    bool apply() {
        SettingsChanges changes;
        write_fields(changes, section_, S::fields(), edited_, all_groups, &stored_);
        if (changes.empty()) return false;
        changes.commit(file_);
        stored_ = edited_;
        return true;
    }
    // Forgets the edits.
    void cancel() { edited_ = stored_; }

    const S& stored() const { return stored_; }
    S& edited() { return edited_; }
    const std::string& section() const { return section_; }

private:
    std::string section_;
    std::string file_;
    S stored_;
    S edited_;
};

} // namespace morvelin::settings
