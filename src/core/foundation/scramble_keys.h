#pragma once
// The keys of the disc's scrambled files. Every disc ever authored for this program was scrambled with
// exactly these values: changing any of them makes existing discs unreadable.

#include <array>
#include <cstdint>

namespace morvelin::scramble_keys {

// Line descrambling seeds of the data files. Most files share one seed; the cut-part and the
// recording-item files each have their own.
constexpr std::uint32_t common_data_file_seed = 731902861u;
constexpr std::uint32_t cutparts_seed = 1640277395u;
constexpr std::uint32_t cupaitem_seed = 290455817u;

// XOR table of pictures stored with the "Scrambled" marker.
constexpr std::array<std::uint8_t, 64> picture_xor_table = {
    0xAC, 0x84, 0x4C, 0xBB, 0xBC, 0xAB, 0x08, 0x76, 0x9B, 0x3F, 0x19, 0xD0, 0xB7, 0x99, 0x2B, 0x5D,
    0x3F, 0x0F, 0x67, 0xA7, 0x01, 0x78, 0x99, 0x9A, 0xD4, 0xCD, 0x6B, 0xEC, 0xBF, 0xD3, 0x7E, 0x1C,
    0x84, 0xBD, 0x8E, 0xC1, 0x74, 0x6F, 0x4D, 0xDB, 0x1C, 0xC0, 0x0F, 0xA8, 0xCF, 0xB9, 0x30, 0xD4,
    0xE1, 0xA9, 0x1E, 0x3B, 0x5C, 0x1F, 0x94, 0xA6, 0x6A, 0x05, 0xAB, 0x08, 0x79, 0x7F, 0xB8, 0xBE,
};

// Pictures stored with the "Scramble2" marker seed the generator with this value minus the file length.
constexpr std::uint32_t scramble2_constant = 47203815u;

} // namespace morvelin::scramble_keys
