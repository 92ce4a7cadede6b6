#include "image_output.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include <stdexcept>

namespace morvelin::maps {
namespace {

void write(const QImage& image, const QString& file_name, const char* format, int quality,
           const std::map<QString, QString>& texts) {
    QDir().mkpath(QFileInfo(file_name).absolutePath());
    QSaveFile file(file_name);
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + file_name.toStdString());
    QImageWriter writer(&file, format);
    if (quality >= 0) writer.setQuality(quality);
    for (const auto& [key, value] : texts)
        writer.setText(key, value);
    if (!writer.write(image) || !file.commit())
        throw std::runtime_error("cannot write " + file_name.toStdString() + ": " +
                                 writer.errorString().toStdString());
}

} // namespace

void save_png(const QImage& image, const QString& file_name, const std::map<QString, QString>& texts) {
    write(image, file_name, "png", -1, texts);
}

void save_jpeg(const QImage& image, const QString& file_name, int quality) {
    write(image.convertToFormat(QImage::Format_RGB32), file_name, "jpeg", quality, {});
}

QImage to_indexed(const QImage& image, const QList<QRgb>& palette) {
    QImage result(image.size(), QImage::Format_Indexed8);
    result.setColorTable(palette);
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = result.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const qsizetype index = palette.indexOf(line[x] | 0xff000000u);
            if (index < 0)
                throw std::runtime_error(QString("colour %1 at (%2, %3) is not in the palette")
                                             .arg(line[x], 8, 16, QChar('0'))
                                             .arg(x)
                                             .arg(y)
                                             .toStdString());
            out[x] = static_cast<uchar>(index);
        }
    }
    return result;
}

} // namespace morvelin::maps
