#include "stream_commands.h"

#include "disc_commands.h"

#include "core/foundation/bitmap.h"
#include "core/foundation/codec.h"
#include "core/foundation/lzw.h"
#include "core/foundation/scrambled_stream.h"

#include <cstdio>
#include <filesystem>

namespace morvelin::disc {

namespace {

int usage(const char* command, const std::string& problem, const char* arguments) {
    std::fprintf(stderr, "morvelin-disc %s: %s\nusage: morvelin-disc %s %s\n", command, problem.c_str(),
                 command, arguments);
    return 2;
}

std::string file_name_of(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

Bytes as_bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
std::string as_string(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

bool starts_with(const std::string& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && bytes.compare(0, prefix.size(), prefix) == 0;
}

std::string unknown_name(const std::string& name) {
    return "\"" + name +
           "\" is not a data file name (mapsdata.txt, people.txt, names_sc.txt, taxa.txt, locality.txt, "
           "big_pict.txt, othermedia.txt, cutparts.txt, cupaitem.txt, syst_ord.txt); give one with --name";
}

// The plain text of a stored data file, with the stored line breaks of the data lines.
std::string unpack_text(const std::string& stored, std::uint32_t seed) {
    TextLines text = split_text_lines(stored);
    decode_data_file_lines(text.lines, seed);
    if (!text.endings.empty()) text.endings.erase(text.endings.begin());
    return join_text_lines(text);
}

int write_or_fail(const std::string& path, const std::string& bytes) {
    std::string error;
    if (!write_output(path, bytes, error)) return tool_failure(error);
    return 0;
}

// A plain BMP of a bitmap file (plain, run-length encoded or inside a container), or a failure.
int write_plain_bitmap(const std::string& input, const std::string& bytes, const std::string& output) {
    LoadedBitmap loaded = load_bitmap_from_memory(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                  bytes.size(), input, true);
    if (loaded.dib.empty()) return tool_failure("\"" + input + "\" holds no usable bitmap");
    return write_or_fail(output, as_string(bmp_file_from_packed_dib(loaded.dib)));
}

} // namespace

int pack_command(const std::vector<std::string>& args) {
    const char* arguments = "IN OUT [--scheme-b] [--name NAME]";
    ParsedArguments a = parse_arguments(args, {"--scheme-b"}, {"--name"}, 2);
    if (!a.error.empty()) return usage("pack", a.error, arguments);
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    std::string name = a.values.count("--name") ? a.values["--name"] : file_name_of(out);
    if (!is_data_file_name(name)) return tool_failure(unknown_name(name));

    std::string plain, error;
    if (!read_input(in, plain, error)) return tool_failure(error);
    TextLines text = split_text_lines(plain);
    LineEncodeProblem problem;
    auto stored =
        encode_data_file_lines(text.lines, data_file_seed(name), a.flags.count("--scheme-b") > 0, &problem);
    if (!stored) {
        return tool_failure("line " + std::to_string(problem.line + 1) + " of \"" + in +
                            "\" holds the byte " + std::to_string(problem.byte) +
                            ", which a data file cannot store (only bytes 21 to 255; write line breaks as "
                            "LINEFEED_ONLY_REPLACER)");
    }
    TextLines result;
    result.lines = std::move(*stored);
    // The header takes the break style of the first line so that the file stays uniform.
    result.endings.push_back(text.endings.empty() || text.endings[0].empty() ? "\r\n" : text.endings[0]);
    result.endings.insert(result.endings.end(), text.endings.begin(), text.endings.end());
    return write_or_fail(out, join_text_lines(result));
}

int unpack_command(const std::vector<std::string>& args) {
    ParsedArguments a = parse_arguments(args, {}, {"--name"}, 2);
    if (!a.error.empty()) return usage("unpack", a.error, "IN OUT [--name NAME]");
    const std::string& in = a.positional[0];
    std::string name = a.values.count("--name") ? a.values["--name"] : file_name_of(in);
    if (!is_data_file_name(name)) return tool_failure(unknown_name(name));
    std::string stored, error;
    if (!read_input(in, stored, error)) return tool_failure(error);
    return write_or_fail(a.positional[1], unpack_text(stored, data_file_seed(name)));
}

int scramble_picture_command(const std::vector<std::string>& args) {
    ParsedArguments a = parse_arguments(args, {"--scramble2"}, {}, 2);
    if (!a.error.empty()) return usage("scramble-picture", a.error, "IN OUT [--scramble2]");
    const std::string& in = a.positional[0];
    std::string picture, error;
    if (!read_input(in, picture, error)) return tool_failure(error);
    // The reader removes one layer only, and a picture that merely begins with a marker would be taken
    // for a scrambled one.
    if (starts_with(picture, scrambled_marker) || starts_with(picture, scramble2_marker))
        return tool_failure("\"" + in + "\" already begins with a scrambling marker");
    if (picture.empty()) return tool_failure("\"" + in + "\" is empty");
    PictureScrambling kind =
        a.flags.count("--scramble2") ? PictureScrambling::scramble2 : PictureScrambling::scrambled;
    return write_or_fail(a.positional[1], as_string(scramble_picture(as_bytes(picture), kind)));
}

int compress_command(const std::vector<std::string>& args) {
    ParsedArguments a = parse_arguments(args, {}, {}, 2);
    if (!a.error.empty()) return usage("compress", a.error, "IN OUT");
    std::string data, error;
    if (!read_input(a.positional[0], data, error)) return tool_failure(error);
    Bytes container =
        make_compressed_container(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    return write_or_fail(a.positional[1], as_string(container));
}

int decode_command(const std::vector<std::string>& args) {
    ParsedArguments a = parse_arguments(args, {}, {"--name"}, 2);
    if (!a.error.empty()) return usage("decode", a.error, "FILE OUT [--name NAME]");
    const std::string& in = a.positional[0];
    const std::string& out = a.positional[1];
    std::string name = a.values.count("--name") ? a.values["--name"] : file_name_of(in);
    std::string bytes, error;
    if (!read_input(in, bytes, error)) return tool_failure(error);

    if (is_data_file_name(name)) return write_or_fail(out, unpack_text(bytes, data_file_seed(name)));
    if (bytes.size() > 9 && (starts_with(bytes, scrambled_marker) || starts_with(bytes, scramble2_marker))) {
        TOptionallyScrambleMemoryStream stream;
        stream.load_from_memory(as_bytes(bytes));
        return write_or_fail(out, as_string(stream.data()));
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (is_compressed_data(data, bytes.size())) {
        CompressedRead read = read_compressed_data_into_memory(data, bytes.size(), true);
        if (read.error != lzw::error_none)
            return tool_failure("\"" + in + "\" is damaged (error " + std::to_string(read.error) + ")");
        std::string content(read.block.begin() + 2, read.block.end());
        if (starts_with(content, "BM")) return write_plain_bitmap(in, content, out);
        return write_or_fail(out, content);
    }
    if (starts_with(bytes, "BM")) return write_plain_bitmap(in, bytes, out);
    return tool_failure(
        "\"" + in +
        "\" is neither a data file (by its name), a scrambled picture, a compressed file nor a "
        "bitmap");
}

} // namespace morvelin::disc
