#pragma once
// Writing the generated images; every file is written to a temporary name and renamed, so a failed
// run never leaves a half-written resource behind.

#include <QImage>
#include <QString>

#include <map>

namespace morvelin::maps {

// PNG, with optional text entries (for example a mask's legend or a cursor's hot spot).
void save_png(const QImage& image, const QString& file_name, const std::map<QString, QString>& texts = {});
void save_jpeg(const QImage& image, const QString& file_name, int quality);

// The image reduced to a palette of the given colours; every pixel must already have one of them.
QImage to_indexed(const QImage& image, const QList<QRgb>& palette);

} // namespace morvelin::maps
