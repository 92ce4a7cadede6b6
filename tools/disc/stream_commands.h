#pragma once
// morvelin-disc commands for the disc's encodings: scrambled data files, scrambled pictures, LZW
// containers and map bitmaps. Each takes the arguments after its name, writes its output whole or not
// at all, and reports failures on stderr with exit code 1 (2 for bad usage).

#include <string>
#include <vector>

namespace morvelin::disc {

// pack IN OUT [--scheme-b] [--name NAME]: scrambles a plain data file with the seed of NAME (default:
// OUT's file name, which must be one of the ten data files). Line breaks are kept as they are, so
// unpack gives IN back byte for byte. Bytes below 21 cannot be stored: such input is refused with the
// line that holds one.
int pack_command(const std::vector<std::string>& args);
// unpack IN OUT [--name NAME]: the plain data file of a scrambled one (seed from IN's name or NAME).
int unpack_command(const std::vector<std::string>& args);
// scramble-picture IN OUT [--scramble2]: stores a picture behind the "Scrambled" (or "Scramble2")
// marker. A file that already begins with a marker is refused.
int scramble_picture_command(const std::vector<std::string>& args);
// compress IN OUT: the LZW container of any file.
int compress_command(const std::vector<std::string>& args);
// decode FILE OUT [--name NAME]: the plain content of any encoded disc file, recognised by its name
// (data files) or content (picture marker, container header, bitmap signature). A bitmap, compressed
// or run-length encoded, becomes a plain uncompressed BMP.
int decode_command(const std::vector<std::string>& args);

} // namespace morvelin::disc
