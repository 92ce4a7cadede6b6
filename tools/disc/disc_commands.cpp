#include "disc_commands.h"

#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace morvelin::disc {

namespace {

void print_overview(std::FILE* out, std::span<const DiscCommand> commands) {
    std::fprintf(out, "usage: morvelin-disc COMMAND [ARGUMENTS]\n"
                      "Authoring and inspection of Morvelin discs.\n\ncommands:\n");
    std::size_t width = 0;
    for (const DiscCommand& c : commands)
        width = std::max(width, std::strlen(c.name));
    for (const DiscCommand& c : commands)
        std::fprintf(out, "  %-*s  %s\n", static_cast<int>(width), c.name, c.help);
    std::fprintf(out, "\n'morvelin-disc COMMAND --help' shows the arguments of a command.\n");
}

bool is_help(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

} // namespace

int run_disc_tool(std::span<const DiscCommand> commands, const std::vector<std::string>& args) {
    if (args.empty()) {
        print_overview(stderr, commands);
        return 2;
    }
    if (is_help(args[0]) || args[0] == "help") {
        print_overview(stdout, commands);
        return 0;
    }
    for (const DiscCommand& c : commands) {
        if (args[0] != c.name) continue;
        if (args.size() >= 2 && is_help(args[1])) {
            std::printf("usage: morvelin-disc %s %s\n  %s\n", c.name, c.usage, c.help);
            return 0;
        }
        return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    std::fprintf(stderr, "morvelin-disc: unknown command \"%s\"\n\n", args[0].c_str());
    print_overview(stderr, commands);
    return 2;
}

void install_tool_fatal_handler() {
    set_fatal_handler([](const std::string& text) {
        std::fprintf(stderr, "morvelin-disc: %s\n", cp1252_to_utf8(text).c_str());
        std::fflush(stderr);
        std::exit(1);
    });
}

int tool_failure(const std::string& message) {
    std::fprintf(stderr, "morvelin-disc: %s\n", message.c_str());
    std::fflush(stderr);
    return 1;
}

ParsedArguments parse_arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                                const std::set<std::string>& valued, std::size_t positional_count) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            if (flags.count(a)) {
                parsed.flags.insert(a);
            } else if (valued.count(a)) {
                if (i + 1 == args.size()) {
                    parsed.error = a + " needs a value";
                    return parsed;
                }
                parsed.values[a] = args[++i];
            } else {
                parsed.error = "unknown option " + a;
                return parsed;
            }
        } else {
            parsed.positional.push_back(a);
        }
    }
    if (parsed.positional.size() != positional_count)
        parsed.error = "expected " + std::to_string(positional_count) + " file names, got " +
                       std::to_string(parsed.positional.size());
    return parsed;
}

bool read_input(const std::string& path, std::string& bytes, std::string& error) {
    std::optional<std::string> content = read_whole_file(path);
    if (!content) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    bytes = std::move(*content);
    return true;
}

bool write_output(const std::string& path, const std::string& bytes, std::string& error) {
    if (!write_file_atomically(path, bytes)) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace morvelin::disc
