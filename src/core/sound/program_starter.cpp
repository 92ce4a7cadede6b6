#include "core/sound/program_starter.h"

#include <cstdlib>
#include <utility>

namespace morvelin {

namespace {

ProgramStarter& installed_starter() {
    static ProgramStarter starter;
    return starter;
}

std::function<void()>& installed_end_handler() {
    static std::function<void()> handler;
    return handler;
}

} // namespace

void install_program_starter(ProgramStarter starter) {
    installed_starter() = std::move(starter);
}

bool start_program(const std::vector<std::string>& arguments, bool maximised) {
    return installed_starter() && installed_starter()(arguments, maximised);
}

void install_program_end_handler(std::function<void()> handler) {
    installed_end_handler() = std::move(handler);
}

void end_program() {
    if (installed_end_handler()) {
        installed_end_handler()();
        return;
    }
    std::exit(0);
}

} // namespace morvelin
