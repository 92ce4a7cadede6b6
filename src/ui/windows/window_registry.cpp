#include "ui/windows/window_registry.h"

#include "ui/display/child_form.h"
#include "ui/display/form_with_underlined_items.h"
#include "ui/display/show_form.h"
#include "ui/windows/help_window.h"
#include "ui/foundation/web_address.h"
#include "ui/windows/web_browser_form.h"

#include <QAction>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace morvelin {

namespace {

WindowRequest request_of(WindowKind kind, QWidget* owner) {
    WindowRequest request;
    request.kind = kind;
    request.owner = owner;
    return request;
}

// Web addresses go where the settings say (open_web_address); only a text that clearly is a web or
// mail address is opened, whatever a data file puts in a link.
WindowFactory web_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) {
        auto url = web_link(request.text);
        if (!url) return false;
        if (!request.anchor.isEmpty()) url->setFragment(request.anchor);
        open_web_address(request.owner, *url);
        return false;
    };
    factory.create = [](const WindowRequest&, WindowRegistry&) -> QWidget* { return nullptr; };
    return factory;
}

constexpr WindowKind menu_kinds[] = {WindowKind::play_lists, WindowKind::localities_map, WindowKind::options,
                                     WindowKind::quiz, WindowKind::about};

} // namespace

WindowRequest program_document_request(QWidget* owner, const char* name, const char* anchor,
                                       bool desktop_first) {
    WindowRequest request = request_of(WindowKind::help, owner);
    request.text = QString::fromUtf8(name);
    request.anchor = QString::fromUtf8(anchor);
    request.desktop_first = desktop_first;
    return request;
}

WindowRegistry::WindowRegistry(QObject* parent) : QObject(parent) {
    factories_[static_cast<std::size_t>(WindowKind::help)] = help_window_factory();
    factories_[static_cast<std::size_t>(WindowKind::web)] = web_factory();
    install_sound_bar_actions();
}

WindowRegistry::~WindowRegistry() {
    install_sound_bar_menu_actions({});
    for (Entry& entry : entries_)
        delete entry.window.data();
}

WindowScope WindowRegistry::scope_of(WindowKind kind) {
    switch (kind) {
    case WindowKind::photos:
    case WindowKind::map:
    case WindowKind::quiz:
        return WindowScope::main_window;
    case WindowKind::literature:
    case WindowKind::threatened_status:
    case WindowKind::audio_cd:
    case WindowKind::person:
        return WindowScope::pop_up;
    default:
        return WindowScope::program;
    }
}

void WindowRegistry::register_window(WindowKind kind, WindowFactory factory) {
    if (!factory.create) factory = {};
    factories_[static_cast<std::size_t>(kind)] = std::move(factory);
    install_sound_bar_actions();
    update_menus();
}

bool WindowRegistry::has_factory(WindowKind kind) const {
    return static_cast<bool>(factories_[static_cast<std::size_t>(kind)].create);
}

const QWidget* WindowRegistry::scope_owner(WindowKind kind, const QWidget* owner) const {
    if (scope_of(kind) == WindowScope::program || !owner) return nullptr;
    return owner->window();
}

void WindowRegistry::drop_dead_entries() {
    std::erase_if(entries_, [](const Entry& e) { return e.window.isNull(); });
}

QWidget* WindowRegistry::find(WindowKind kind, const QWidget* owner) const {
    const QWidget* key = scope_owner(kind, owner);
    for (const Entry& e : entries_)
        if (e.kind == kind && e.owner == key && e.window) return e.window.data();
    return nullptr;
}

bool WindowRegistry::is_shown(WindowKind kind, const QWidget* owner) const {
    const QWidget* window = find(kind, owner);
    return window && window->isVisible();
}

QWidget* WindowRegistry::open(WindowRequest request) {
    const WindowFactory& factory = factories_[static_cast<std::size_t>(request.kind)];
    if (!factory.create) return nullptr;
    if (factory.prepare && !factory.prepare(request)) return nullptr;
    drop_dead_entries();
    QWidget* window = find(request.kind, request.owner);
    if (window && factory.follows_owner && window->parentWidget() != request.owner) {
        delete window;
        window = nullptr;
    }
    if (!window) {
        window = factory.create(request, *this);
        if (!window) return nullptr;
        const QWidget* owner = scope_owner(request.kind, request.owner);
        const bool new_owner = owner && std::none_of(entries_.begin(), entries_.end(),
                                                     [owner](const Entry& e) { return e.owner == owner; });
        entries_.push_back({request.kind, owner, window});
        if (new_owner)
            connect(owner, &QObject::destroyed, this, [this, owner](QObject*) { forget_owner(owner); });
        if (auto* form = qobject_cast<TFormWithUnderlinedItems*>(window)) {
            QWidget* form_owner = form->parentWidget() ? form->parentWidget() : form;
            connect(form, &TFormWithUnderlinedItems::web_address_requested, this,
                    [this, form_owner](const QString& address) {
                        WindowRequest web = request_of(WindowKind::web, form_owner);
                        web.text = address;
                        open(web);
                    });
        }
    }
    if (factory.take) {
        factory.take(*window, request);
    } else {
        window->show();
        window->raise();
        window->activateWindow();
    }
    return window;
}

QWidget* WindowRegistry::deliver(const WindowRequest& request) {
    const WindowFactory& factory = factories_[static_cast<std::size_t>(request.kind)];
    QWidget* window = find(request.kind, request.owner);
    if (window && factory.take) factory.take(*window, request);
    return window;
}

void WindowRegistry::close(WindowKind kind, const QWidget* owner) {
    if (QWidget* window = find(kind, owner)) window->close();
}

void WindowRegistry::close_pop_ups(const QWidget* owner) {
    const QWidget* key = owner ? owner->window() : nullptr;
    for (const Entry& e : std::vector<Entry>(entries_))
        if (e.window && e.owner == key && scope_of(e.kind) == WindowScope::pop_up) e.window->close();
}

// The windows of a main window go with it, also those it does not parent.
void WindowRegistry::forget_owner(const QObject* owner) {
    for (Entry& e : entries_)
        if (e.owner == owner && e.window) e.window->deleteLater();
    std::erase_if(entries_, [owner](const Entry& e) { return e.owner == owner; });
}

void WindowRegistry::attach(TChildForm& window) {
    main_windows_.emplace_back(&window);
    attach_pane(*window.pane(), &window);
    connect(&window, &TChildForm::window_requested, this,
            [this](const WindowRequest& request) { open(request); });
    connect(&window, &TChildForm::additional_window_opened, this,
            [this](TChildForm* added) { attach(*added); });
    update_menus();
}

namespace {

// A slot for a request signal: makes the request of kind for owner, lets fill copy the signal's
// arguments into it, and opens it.
template <class... Args>
auto opener(WindowRegistry* registry, QWidget* owner, WindowKind kind,
            void (*fill)(WindowRequest&, Args...)) {
    return [registry, owner, kind, fill](Args... args) {
        WindowRequest request = request_of(kind, owner);
        fill(request, args...);
        registry->open(std::move(request));
    };
}

} // namespace

void WindowRegistry::attach_pane(TShowForm& pane, QWidget* owner) {
    using R = WindowRequest&;
    connect(&pane, &TShowForm::info_windows_close_requested, this, [this, owner] { close_pop_ups(owner); });
    connect(&pane, &TShowForm::species_map_requested, this,
            opener(
                this, owner, WindowKind::map, +[](R r, const Tspecies* species) { r.species = species; }));
    connect(
        &pane, &TShowForm::locality_map_requested, this,
        opener(
            this, owner, WindowKind::map, +[](R r, const Tlocality* locality) { r.locality = locality; }));
    connect(&pane, &TShowForm::species_pictures_requested, this,
            opener(
                this, owner, WindowKind::photos,
                +[](R r, const Tspecies* species, const Tsubspecies* subspecies, bool subspecies_only) {
                    r.species = species;
                    r.subspecies = subspecies;
                    r.subspecies_only = subspecies_only;
                }));
    connect(&pane, &TShowForm::literature_requested, this,
            opener(
                this, owner, WindowKind::literature, +[](R r, const Tspecies* species, QPoint at) {
                    r.species = species;
                    r.global_point = at;
                }));
    connect(&pane, &TShowForm::threatened_status_requested, this,
            opener(
                this, owner, WindowKind::threatened_status,
                +[](R r, const Tspecies* species, const QString& status, QPoint at) {
                    r.species = species;
                    r.text = status;
                    r.global_point = at;
                }));
    connect(&pane, &TShowForm::audio_cd_requested, this,
            opener(
                this, owner, WindowKind::audio_cd, +[](R r, const TaudioCD* cd, QPoint at) {
                    r.audio_cd = cd;
                    r.global_point = at;
                }));
    connect(&pane, &TShowForm::persons_requested, this,
            opener(
                this, owner, WindowKind::person,
                +[](R r, const QString& link_text, const Tspecies* species, QPoint at) {
                    r.text = link_text;
                    r.species = species;
                    r.global_point = at;
                }));
    connect(&pane, &TShowForm::recordist_requested, this,
            opener(
                this, owner, WindowKind::person, +[](R r, const Tperson* person, QPoint at) {
                    r.person = person;
                    r.global_point = at;
                }));
    connect(&pane, &TShowForm::volume_step_requested, this, [this, owner](int steps) {
        WindowRequest r = request_of(WindowKind::volume_control, owner);
        r.steps = steps;
        deliver(r);
    });
}

void WindowRegistry::install_sound_bar_actions() {
    SoundBarMenuActions actions;
    if (has_factory(WindowKind::play_lists)) {
        actions.play_list_window_open = [this] { return is_shown(WindowKind::play_lists); };
        actions.add_to_play_list = [this](const Tcupaitem& recording, int play_list_context) {
            WindowRequest r = request_of(WindowKind::play_lists, nullptr);
            r.recording = &recording;
            r.play_list_context = play_list_context;
            deliver(r);
        };
    }
    if (has_factory(WindowKind::make_mp3_file)) {
        actions.make_mp3_file = [this](const Tcupaitem& recording, const SoundBarTagTexts& tag_texts) {
            WindowRequest r = request_of(WindowKind::make_mp3_file, nullptr);
            r.recording = &recording;
            r.tag_texts = tag_texts;
            open(r);
        };
    }
    if (has_factory(WindowKind::sonogram)) {
        actions.show_sonogram = [this](Tsound_bar& bar) {
            WindowRequest r = request_of(WindowKind::sonogram, nullptr);
            r.sound_bar = &bar;
            r.recording = &bar.recording();
            open(r);
        };
    }
    if (has_factory(WindowKind::comparison)) {
        actions.compare = [this](Tsound_bar& bar) {
            WindowRequest r = request_of(WindowKind::comparison, nullptr);
            r.sound_bar = &bar;
            r.recording = &bar.recording();
            open(r);
        };
    }
    install_sound_bar_menu_actions(std::move(actions));
}

void WindowRegistry::update_menus() {
    std::erase_if(main_windows_, [](const QPointer<TChildForm>& w) { return w.isNull(); });
    for (const QPointer<TChildForm>& window : main_windows_)
        for (WindowKind kind : menu_kinds)
            if (QAction* action = window->window_action(kind)) action->setEnabled(has_factory(kind));
}

} // namespace morvelin
