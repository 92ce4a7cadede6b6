#pragma once
// WindowRegistry: the one place where the program's windows are made, found and closed, and where the
// requests of the main windows (their panes and menus), the sound bars and the pop-ups are connected to
// the windows that answer them. Start-up makes one and attaches the main window; every window opened
// from a main window is attached in turn.
//
// A kind of window answers only when a factory is registered for it: a window that does not exist yet
// leaves its requests unanswered and its menu items disabled, exactly as before it existed. Adding a
// window is one registration. The main windows never own the windows they ask for.

#include "ui/windows/window_request.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <vector>

class QWidget;

namespace morvelin {

class TChildForm;
class TShowForm;
class WindowRegistry;

struct WindowFactory {
    // Runs first; false drops the request (nothing to show, or answered without a window). It may
    // complete the request (a document's address).
    std::function<bool(WindowRequest& request)> prepare;
    // Makes the window; null when there is nothing to show. The registry keeps it for its kind and
    // scope until it is destroyed; the window asks for other windows through the registry.
    std::function<QWidget*(const WindowRequest& request, WindowRegistry& registry)> create;
    // Hands the request to the window, new or found; when empty the window is shown, raised and
    // activated.
    std::function<void(QWidget& window, const WindowRequest& request)> take;
    // A program-wide window that belongs to the window that asked last: asked from another owner it is
    // made anew, so that it never keeps the program running alone.
    bool follows_owner = false;
};

class WindowRegistry : public QObject {
    Q_OBJECT
public:
    // Registers the help window and the web addresses (open_web_address) and
    // installs the sound bars' menu actions.
    explicit WindowRegistry(QObject* parent = nullptr);
    // Frees the windows it made that still exist and uninstalls the sound bars' menu actions.
    ~WindowRegistry() override;
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    static WindowScope scope_of(WindowKind kind);

    // Replaces the factory of kind; a factory without create removes it. Menu items and sound-bar
    // menu items of the kind follow.
    void register_window(WindowKind kind, WindowFactory factory);
    bool has_factory(WindowKind kind) const;

    // Finds the window that answers the request (for its kind and owner) or makes it, and hands it the
    // request. Returns the window, or null when none answers.
    QWidget* open(WindowRequest request);
    // Hands the request to the window only when it exists already.
    QWidget* deliver(const WindowRequest& request);
    // The window of kind for owner (owner is ignored for program-wide kinds), or null.
    QWidget* find(WindowKind kind, const QWidget* owner = nullptr) const;
    bool is_shown(WindowKind kind, const QWidget* owner = nullptr) const;
    void close(WindowKind kind, const QWidget* owner = nullptr);
    // Closes the pop-ups of a main window.
    void close_pop_ups(const QWidget* owner);

    // Connects a main window: its pane's requests, the window items of its menu, and the main windows
    // opened from it.
    void attach(TChildForm& window);
    // Connects the requests of a pane whose answers belong to owner.
    void attach_pane(TShowForm& pane, QWidget* owner);

private:
    struct Entry {
        WindowKind kind;
        const QWidget* owner; // null for program-wide windows
        QPointer<QWidget> window;
    };
    const QWidget* scope_owner(WindowKind kind, const QWidget* owner) const;
    void forget_owner(const QObject* owner);
    void drop_dead_entries();
    void install_sound_bar_actions();
    void update_menus();

    std::array<WindowFactory, window_kind_count> factories_;
    std::vector<Entry> entries_;
    std::vector<QPointer<TChildForm>> main_windows_;
};

} // namespace morvelin
