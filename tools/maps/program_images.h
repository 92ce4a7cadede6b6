#pragma once
// The program's own images: fold boxes, content icons, the map button, sound-bar glyphs, picture
// buttons, cursors, the program icon and the introduction and about pictures, each at 1x and 2x.

#include <QString>

namespace morvelin::maps {

void write_program_images(const QString& resources_dir);

} // namespace morvelin::maps
