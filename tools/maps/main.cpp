// morvelin-maps: renders the region maps and the program images into resources/.
//   morvelin-maps --atlas countries-10m.json --resources DIR [maps] [images]

#include "area_map.h"
#include "image_output.h"
#include "program_images.h"
#include "region_maps.h"
#include "topojson.h"

#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStringList>

#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <stdexcept>

using namespace morvelin::maps;

namespace {

int usage() {
    std::fprintf(stderr, "usage: morvelin-maps --resources DIR [--atlas countries-10m.json] [maps] [images]\n"
                         "  maps    the region maps (needs --atlas)\n"
                         "  images  the bitmaps, buttons, cursors, icons and pictures\n");
    return 2;
}

void print(const QStringList& lines) {
    for (const QString& line : lines)
        std::printf("%s\n", qPrintable(line));
}

// The Qt resource file lists every image of the resource folders under its name without extension:
// resources/bitmaps/PLUS_BITMAP.png becomes ":/bitmaps/PLUS_BITMAP".
void write_resource_file(const QString& resources) {
    QString text = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n";
    for (const QString folder : {"bitmaps", "jpeg", "cursors", "icons"}) {
        const QStringList files = QDir(resources + "/" + folder).entryList(QDir::Files, QDir::Name);
        if (files.isEmpty()) continue;
        text += QString("<qresource prefix=\"/%1\">\n").arg(folder);
        for (const QString& file : files)
            text += QString("    <file alias=\"%1\">%2/%3</file>\n")
                        .arg(QFileInfo(file).completeBaseName(), folder, file);
        text += "</qresource>\n";
    }
    text += "</RCC>\n";
    QSaveFile file(resources + "/resources.qrc");
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw std::runtime_error("cannot write " + file.fileName().toStdString());
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString atlas, resources;
    bool maps = false, images = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--atlas" && i + 1 < args.size())
            atlas = args[++i];
        else if (args[i] == "--resources" && i + 1 < args.size())
            resources = args[++i];
        else if (args[i] == "maps")
            maps = true;
        else if (args[i] == "images")
            images = true;
        else
            return usage();
    }
    if (resources.isEmpty() || (!maps && !images) || (maps && atlas.isEmpty())) return usage();
    try {
        if (maps) {
            const Topology topology = read_countries_topology(atlas);
            const AreaMap area_map = render_area_map(topology);
            print(area_map.report);
            save_png(area_map.image, resources + "/bitmaps/SAROVAN_MAP_BITMAP.png");
            save_png(area_map.labels, resources + "/masks/SAROVAN_MAP_BITMAP.areas.png",
                     {{"Legend", "0 sea, 1-20 area number + 1 in scheme order, 21 land outside the areas"}});
            for (const RegionMap& map : render_region_maps(topology)) {
                print(map.report);
                save_jpeg(map.image, resources + "/jpeg/" + map.name + ".jpg", 90);
                save_jpeg(map.image_2x, resources + "/jpeg/" + map.name + "@2x.jpg", 88);
                save_png(map.countries, resources + "/masks/" + map.name + ".countries.png",
                         {{"Legend", map.legend}});
            }
        }
        if (images) write_program_images(resources);
        write_resource_file(resources);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morvelin-maps: %s\n", e.what());
        return 1;
    }
    return 0;
}
