// trelomar-render-icon SVG SIZE PNG: renders a picture at one size, for the
// icon theme's fixed-size folders and for builds whose Qt reads no SVG.
// trelomar-render-icon SVG --ico ICO: the Windows icon file, several sizes in
// one. Used by the build only.
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTextStream>
#include <QtEndian>

namespace {

QImage render(const QString& svg, int size, QString* why)
{
    QImageReader reader(svg);
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull())
        *why = reader.errorString();
    return image;
}

// An ICO file of PNG images: a directory of 16-byte entries, then the images.
bool writeIco(const QString& svg, const QString& path, QString* why)
{
    const int sizes[] = { 16, 24, 32, 48, 64, 256 };
    QList<QByteArray> pngs;
    for (int size : sizes) {
        const QImage image = render(svg, size, why);
        if (image.isNull())
            return false;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        pngs.append(buffer.data());
    }
    QByteArray ico(6, '\0');
    qToLittleEndian<quint16>(1, ico.data() + 2);
    qToLittleEndian<quint16>(quint16(pngs.size()), ico.data() + 4);
    quint32 offset = quint32(6 + 16 * pngs.size());
    for (qsizetype i = 0; i < pngs.size(); ++i) {
        QByteArray entry(16, '\0');
        entry[0] = char(sizes[i] % 256); // 0 stands for 256
        entry[1] = char(sizes[i] % 256);
        qToLittleEndian<quint16>(1, entry.data() + 4); // planes
        qToLittleEndian<quint16>(32, entry.data() + 6); // bits a pixel
        qToLittleEndian<quint32>(quint32(pngs[i].size()), entry.data() + 8);
        qToLittleEndian<quint32>(offset, entry.data() + 12);
        offset += quint32(pngs[i].size());
        ico += entry;
    }
    for (const QByteArray& png : pngs)
        ico += png;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString why;
    if (args.size() == 4 && args[2] == QLatin1String("--ico")) {
        if (!writeIco(args[1], args[3], &why)) {
            QTextStream(stderr) << "trelomar-render-icon: " << args[1] << ": " << why << "\n";
            return 1;
        }
        return 0;
    }
    bool ok = false;
    const int size = args.size() == 4 ? args[2].toInt(&ok) : 0;
    if (!ok || size <= 0) {
        QTextStream(stderr) << "Usage: trelomar-render-icon SVG SIZE PNG\n"
                               "       trelomar-render-icon SVG --ico ICO\n";
        return 2;
    }
    const QImage image = render(args[1], size, &why);
    if (image.isNull() || !image.save(args[3], "PNG")) {
        QTextStream(stderr) << "trelomar-render-icon: " << args[1] << ": " << why << "\n";
        return 1;
    }
    return 0;
}
